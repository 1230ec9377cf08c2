#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

namespace {
bool capturing = false;
bool consoleOnly = false;
int scriptedAnswer = IDNO;
std::vector<MessageBoxRecord> captured;
thread_local std::string currentDetail;

Uint32 sdlIconFlags(unsigned style) {
    switch (style & 0xF0u) {
        case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
        case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
        case MB_ICONINFORMATION: return SDL_MESSAGEBOX_INFORMATION;
        default: return 0;
    }
}

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

int showMessageBox(const char* text, const char* caption, unsigned style) {
    const bool question = (style & 0x0Fu) == MB_YESNO;
    if (capturing) {
        captured.push_back({text ? text : "", caption ? caption : "", style, currentDetail});
        return question ? scriptedAnswer : IDOK;
    }

    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    if (!currentDetail.empty()) std::fprintf(stderr, "  %s\n", currentDetail.c_str());

    if (consoleOnly || !displayAvailable()) return question ? IDNO : IDOK;

    // Return answers Yes (the default button), Escape answers No.
    const SDL_MessageBoxButtonData okButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"},
    };
    const SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    SDL_MessageBoxData box{};
    box.flags = sdlIconFlags(style) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;  // "Yes" then "No"
    box.window = nullptr;  // no owner window
    box.title = caption;
    box.message = text;
    box.numbuttons = question ? 2 : 1;
    box.buttons = question ? yesNoButtons : okButtons;

    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0 || answer < 0) {
        std::fprintf(stderr, "(the message box could not be shown: %s)\n", SDL_GetError());
        return question ? IDNO : IDOK;
    }
    return answer;
}
