// SPDX-License-Identifier: MIT
// Every message the program shows goes through showMessageBox: text, caption
// and style as the Windows message box took them. The box is an SDL message
// box; the text also goes to stderr, and without a display stderr is all
// there is (a Yes/No question is then answered No).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Styles (values as on Windows).
constexpr unsigned MB_OK = 0x00000000u;
constexpr unsigned MB_YESNO = 0x00000004u;
constexpr unsigned MB_ICONERROR = 0x00000010u;
constexpr unsigned MB_ICONSTOP = 0x00000010u;
constexpr unsigned MB_ICONEXCLAMATION = 0x00000030u;
constexpr unsigned MB_ICONINFORMATION = 0x00000040u;

// Answers.
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int showMessageBox(const char* text, const char* caption, unsigned style);

// The SDL message-box flags for a style: the icon (stop, warning,
// information or none) and nothing else.
uint32_t messageBoxFlags(unsigned style);

// While one of these lives, every message shown on its thread is followed on
// stderr by the detail, e.g. which data file a loader was reading and where
// it looked; the box itself keeps the program's exact words. Scopes nest:
// the innermost detail is the one given.
class MessageDetail {
public:
    explicit MessageDetail(std::string detail);
    ~MessageDetail();
    MessageDetail(const MessageDetail&) = delete;
    MessageDetail& operator=(const MessageDetail&) = delete;

private:
    std::string outer;
};
// The detail in force on this thread ("" for none), for a scope that adds to
// it rather than replacing it.
std::string currentMessageDetail();

// Capture mode, for tests and fuzzers: boxes are recorded instead of shown
// (nothing goes to stderr), and questions get the scripted answer.
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    unsigned style;
    std::string detail;  // what stderr adds, empty for none
};
void captureMessageBoxes(bool on, int answerToQuestions = IDNO);

// Console mode, for tools that run without a window: messages go to stderr
// only, even where a display exists (a question is answered No).
void showMessageBoxesOnConsole(bool on);
bool capturingMessageBoxes();
std::vector<MessageBoxRecord> takeCapturedMessageBoxes();
