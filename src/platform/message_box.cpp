// SPDX-License-Identifier: MIT
#include "platform/message_box.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "platform/display.h"
#include "platform/termination.h"

namespace {
bool capturing = false;
bool consoleOnly = false;
int scriptedAnswer = IDNO;
std::vector<MessageBoxRecord> captured;
thread_local std::string currentDetail;

bool displayAvailable() {
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
}  // namespace

MessageDetail::MessageDetail(std::string detail) : outer(std::move(currentDetail)) {
    currentDetail = std::move(detail);
}

MessageDetail::~MessageDetail() { currentDetail = std::move(outer); }

std::string currentMessageDetail() { return currentDetail; }

void captureMessageBoxes(bool on, int answerToQuestions) {
    capturing = on;
    scriptedAnswer = answerToQuestions;
    captured.clear();
}

bool capturingMessageBoxes() { return capturing; }

void showMessageBoxesOnConsole(bool on) { consoleOnly = on; }

std::vector<MessageBoxRecord> takeCapturedMessageBoxes() {
    std::vector<MessageBoxRecord> boxes;
    boxes.swap(captured);
    return boxes;
}

namespace {

// Return answers Yes (the default button), Escape answers No.
const SDL_MessageBoxButtonData okButtons[] = {
    {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"},
};
const SDL_MessageBoxButtonData yesNoButtons[] = {
    {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
    {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
};

// One box being shown on a thread of its own, so that the program thread
// can wait for either the answer or a termination signal. Shared with that
// thread, which may outlive the call.
struct OpenBox {
    std::string text;
    std::string caption;
    SDL_MessageBoxData data{};
    int answer = -1;
    int result = -1;
    std::string error;
    std::atomic<pid_t> thread{0};
    int donePipe[2] = {-1, -1};

    ~OpenBox() {
        for (int descriptor : donePipe)
            if (descriptor >= 0) close(descriptor);
    }
};

// Waits up to `milliseconds` (-1: for ever) for the box to be answered or,
// when `orTermination`, for a termination signal. True when answered.
bool waitForBox(const OpenBox& box, int milliseconds, bool orTermination) {
    pollfd waits[2] = {{box.donePipe[0], POLLIN, 0}, {orTermination ? terminationWakeDescriptor() : -1, POLLIN, 0}};
    for (;;) {
        if (orTermination && terminationRequested()) return false;
        const int ready = poll(waits, 2, milliseconds);
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0 && (waits[0].revents & (POLLIN | POLLHUP)) != 0;
    }
}

// SDL shows its box in a process of its own (a forked copy drawing the box,
// or a dialog program), started by the thread that asked for the box: ending
// those processes takes the box off the screen and lets that thread return.
void endBoxProcesses(pid_t thread) {
    const std::string path = "/proc/self/task/" + std::to_string(thread) + "/children";
    std::FILE* list = std::fopen(path.c_str(), "r");
    if (!list) return;
    long child = 0;
    while (std::fscanf(list, "%ld", &child) == 1) kill(pid_t(child), SIGKILL);
    std::fclose(list);
}

// Shows the box and returns the answer; -1 when it could not be shown or a
// termination signal took it down.
int showUntilAnsweredOrTerminated(const char* text, const char* caption, const SDL_MessageBoxData& data,
                                  std::string& error) {
    auto box = std::make_shared<OpenBox>();
    box->text = text ? text : "";
    box->caption = caption ? caption : "";
    box->data = data;
    box->data.message = box->text.c_str();
    box->data.title = box->caption.c_str();
    if (pipe2(box->donePipe, O_CLOEXEC) != 0) {
        // No way to wait with a signal in view: show it here.
        int answer = -1;
        if (SDL_ShowMessageBox(&box->data, &answer) != 0) error = SDL_GetError();
        return answer;
    }

    std::thread shower([box] {
        box->thread = pid_t(syscall(SYS_gettid));
        box->result = SDL_ShowMessageBox(&box->data, &box->answer);
        if (box->result != 0) box->error = SDL_GetError();
        close(box->donePipe[1]);  // wakes the waiting program thread
        box->donePipe[1] = -1;
    });

    if (waitForBox(*box, -1, true)) {
        shower.join();
        error = box->error;
        return box->result == 0 ? box->answer : -1;
    }

    // A termination signal: take the box down. SDL may try another kind of
    // box when one fails, so keep at it until its call returns.
    for (int round = 0; round < 40; ++round) {
        if (box->thread != 0) endBoxProcesses(box->thread);
        if (waitForBox(*box, 50, false)) {
            shower.join();
            return -1;
        }
    }
    // A box drawn inside this process cannot be ended from here; the
    // program ends regardless and takes it along.
    shower.detach();
    return -1;
}

}  // namespace

uint32_t messageBoxFlags(unsigned style) {
    // The icon alone: SDL's dialogs (zenity's in particular) choose the icon
    // by comparing the whole flag word, so any other bit in it, such as a
    // button-order flag, turns every box into an information box. Buttons
    // are shown in the order given (Yes, then No) without a flag.
    switch (style & 0xF0u) {
        case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
        case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
        case MB_ICONINFORMATION: return SDL_MESSAGEBOX_INFORMATION;
        default: return 0;
    }
}

int showMessageBox(const char* text, const char* caption, unsigned style) {
    const bool question = (style & 0x0Fu) == MB_YESNO;
    const int noAnswer = question ? IDNO : IDOK;
    if (capturing) {
        captured.push_back({text ? text : "", caption ? caption : "", style, currentDetail});
        return question ? scriptedAnswer : IDOK;
    }

    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    if (!currentDetail.empty()) std::fprintf(stderr, "  %s\n", currentDetail.c_str());

    // After a termination signal nothing more is asked: the program is on
    // its way out.
    if (consoleOnly || !displayAvailable() || terminationRequested()) return noAnswer;

    // The box goes to the display the window uses. Without SDL video up, it
    // is started for the box (real displays only): a display name that
    // points nowhere then leaves the message on stderr alone, rather than
    // SDL trying one kind of box after another, each with its own complaint.
    const bool videoWasUp = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (!videoWasUp && !startVideoOnDisplay()) return noAnswer;

    SDL_MessageBoxData box{};
    box.flags = messageBoxFlags(style);
    box.window = nullptr;  // no owner window
    box.numbuttons = question ? 2 : 1;
    box.buttons = question ? yesNoButtons : okButtons;

    std::string error;
    const int answer = showUntilAnsweredOrTerminated(text, caption, box, error);
    if (!videoWasUp) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (answer < 0) {
        if (!terminationRequested()) std::fprintf(stderr, "(the message box could not be shown: %s)\n", error.c_str());
        return noAnswer;
    }
    return answer;
}
