// SPDX-License-Identifier: MIT
#include "platform/messages.h"

#include <SDL.h>

#include <algorithm>
#include <deque>

#include "platform/termination.h"

uint8_t keys[256] = {};

namespace {
// Messages waiting for the program thread, oldest first.
std::deque<Message> queue;
// A posted quit is a flag, not a queued message: it is delivered once nothing
// else is waiting, and posting it twice still gives one WM_QUIT.
bool quitPending = false;
int quitExitCode = 0;
// A termination signal is handed to the program once, as a close message.
bool terminationDelivered = false;

WindowProcedure registeredProcedure = nullptr;

intptr_t packSize(int width, int height) {
    const auto word = [](int v) { return intptr_t(std::clamp(v, 0, 0xFFFF)); };
    return word(width) | (word(height) << 16);
}

// Moves every event SDL has for us into the queue. Only while SDL video is up:
// without a window there are no window events, and pumping would need it.
void pumpSdlEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // A window that is gone gets no more messages: the refused fullscreen
        // window's last size would otherwise reach the window that replaced it.
        if (event.type == SDL_WINDOWEVENT && !SDL_GetWindowFromID(event.window.windowID)) continue;
        Message message;
        if (messageFromSdlEvent(event, message)) queue.push_back(message);
    }
}

// The client area in the pixels GL draws: on a high-density output a window
// of w x h points has a larger drawable. The event's own size (points) when
// the window is not known.
intptr_t drawableSizeOf(Uint32 windowId, int width, int height) {
    if (SDL_Window* window = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetWindowFromID(windowId) : nullptr) {
        if (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) SDL_GL_GetDrawableSize(window, &width, &height);
    }
    return packSize(width, height);
}

bool translateWindowEvent(const SDL_WindowEvent& event, Message& message) {
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE: message = {WM_CLOSE, 0, 0}; return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message = {WM_SIZE, SIZE_RESTORED, drawableSizeOf(event.windowID, event.data1, event.data2)};
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            // A minimised window has an empty client area.
            message = {WM_SIZE, SIZE_MINIMIZED, 0};
            return true;
        case SDL_WINDOWEVENT_RESTORED: {
            // Coming back from minimised: the client area is whatever the
            // window now measures.
            SDL_Window* window = SDL_GetWindowFromID(event.windowID);
            if (!window) return false;
            int width = 0, height = 0;
            SDL_GetWindowSize(window, &width, &height);
            message = {WM_SIZE, SIZE_RESTORED, drawableSizeOf(event.windowID, width, height)};
            return true;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: message = {WM_ACTIVATE, WA_ACTIVE, 0}; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: message = {WM_ACTIVATE, WA_INACTIVE, 0}; return true;
        default: return false;
    }
}
}  // namespace

uintptr_t virtualKeyCode(int sdlKeycode, int sdlScancode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return uintptr_t('A' + (sdlKeycode - SDLK_a));
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return uintptr_t('0' + (sdlKeycode - SDLK_0));
    if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12) return VK_F1 + uintptr_t(sdlKeycode - SDLK_F1);
    if (sdlKeycode >= SDLK_F13 && sdlKeycode <= SDLK_F24) return VK_F1 + 12 + uintptr_t(sdlKeycode - SDLK_F13);
    if (sdlKeycode >= SDLK_KP_1 && sdlKeycode <= SDLK_KP_9) return VK_NUMPAD0 + 1 + uintptr_t(sdlKeycode - SDLK_KP_1);
    switch (sdlKeycode) {
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return 0x13;
        case SDLK_CAPSLOCK: return 0x14;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_PRINTSCREEN: return 0x2C;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_LGUI: return 0x5B;
        case SDLK_RGUI: return 0x5C;
        case SDLK_APPLICATION: return 0x5D;
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY: return 0x6A;
        case SDLK_KP_PLUS: return 0x6B;
        case SDLK_KP_MINUS: return 0x6D;
        case SDLK_KP_PERIOD: return 0x6E;
        case SDLK_KP_DIVIDE: return 0x6F;
        case SDLK_NUMLOCKCLEAR: return 0x90;
        case SDLK_SCROLLLOCK: return 0x91;
        case SDLK_SEMICOLON: return 0xBA;
        case SDLK_EQUALS: return 0xBB;
        case SDLK_COMMA: return 0xBC;
        case SDLK_MINUS: return 0xBD;
        case SDLK_PERIOD: return 0xBE;
        case SDLK_SLASH: return 0xBF;
        case SDLK_BACKQUOTE: return 0xC0;
        case SDLK_LEFTBRACKET: return 0xDB;
        case SDLK_BACKSLASH: return 0xDC;
        case SDLK_RIGHTBRACKET: return 0xDD;
        case SDLK_QUOTE: return 0xDE;
        default: break;
    }
    // Letter and digit keys of a non-Latin layout still have their Latin code.
    if (sdlScancode >= SDL_SCANCODE_A && sdlScancode <= SDL_SCANCODE_Z)
        return uintptr_t('A' + (sdlScancode - SDL_SCANCODE_A));
    if (sdlScancode >= SDL_SCANCODE_1 && sdlScancode <= SDL_SCANCODE_9)
        return uintptr_t('1' + (sdlScancode - SDL_SCANCODE_1));
    if (sdlScancode == SDL_SCANCODE_0) return '0';
    return VK_UNMAPPED;
}

bool messageFromSdlEvent(const SDL_Event& event, Message& message) {
    switch (event.type) {
        case SDL_QUIT:
            // SDL's own quit request (the program's signal handlers come in
            // through peekMessage): ask to close, as the window's close button
            // does, so the desktop mode is restored on the way out.
            message = {WM_CLOSE, 0, 0};
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Held keys repeat their key-down, as on Windows.
            message = {event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP,
                       virtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode), 0};
            return true;
        case SDL_WINDOWEVENT: return translateWindowEvent(event.window, message);
        default: return false;
    }
}

bool peekMessage(Message& message) {
    pumpSdlEvents();
    if (terminationRequested() && !terminationDelivered) {
        // Ahead of anything still waiting: the demo ends promptly, through
        // the same close as the window's button, so the desktop gets its
        // display mode back on the way out.
        terminationDelivered = true;
        queue.push_front({WM_CLOSE, 0, 0});
    }
    if (!queue.empty()) {
        message = queue.front();
        queue.pop_front();
        return true;
    }
    if (quitPending) {
        quitPending = false;
        message = {WM_QUIT, uintptr_t(quitExitCode), 0};
        return true;
    }
    return false;
}

// Key messages would make character messages here; nothing in the program
// reads characters, so there is nothing to add.
void translateMessage(const Message&) {}

intptr_t defaultWindowProcedure(void*, unsigned, uintptr_t, intptr_t) { return 0; }

void registerWindowProcedure(WindowProcedure procedure) { registeredProcedure = procedure; }

intptr_t dispatchMessage(const Message& message) {
    const WindowProcedure procedure = registeredProcedure ? registeredProcedure : defaultWindowProcedure;
    return procedure(nullptr, message.message, message.wParam, message.lParam);
}

void postMessage(const Message& message) { queue.push_back(message); }

void postQuitMessage(int exitCode) {
    quitPending = true;
    quitExitCode = exitCode;
}

void resetMessages() {
    queue.clear();
    quitPending = false;
    quitExitCode = 0;
    terminationDelivered = false;
    std::fill(std::begin(keys), std::end(keys), uint8_t(0));
}
