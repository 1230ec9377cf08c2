// SPDX-License-Identifier: MIT
// The window messages the program reacts to, as the Windows message queue
// delivered them: SDL events are translated into these and queued; the frame
// loop takes at most one per frame and dispatches it to the registered
// window procedure.
#pragma once

#include <cstdint>

constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_ACTIVATE = 0x0006;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUIT = 0x0012;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_SYSCOMMAND = 0x0112;

constexpr uintptr_t SC_SCREENSAVE = 61760;    // 0xF140
constexpr uintptr_t SC_MONITORPOWER = 61808;  // 0xF170

// Virtual-key codes (values as on Windows); keys without a code of their own
// arrive as VK_UNMAPPED.
constexpr uintptr_t VK_BACK = 0x08;
constexpr uintptr_t VK_TAB = 0x09;
constexpr uintptr_t VK_RETURN = 0x0D;
constexpr uintptr_t VK_SHIFT = 0x10;
constexpr uintptr_t VK_CONTROL = 0x11;
constexpr uintptr_t VK_MENU = 0x12;
constexpr uintptr_t VK_ESCAPE = 27;
constexpr uintptr_t VK_SPACE = 0x20;
constexpr uintptr_t VK_LEFT = 0x25;
constexpr uintptr_t VK_UP = 0x26;
constexpr uintptr_t VK_RIGHT = 0x27;
constexpr uintptr_t VK_DOWN = 0x28;
constexpr uintptr_t VK_NUMPAD0 = 0x60;
constexpr uintptr_t VK_F1 = 0x70;
constexpr uintptr_t VK_UNMAPPED = 0xFF;

// WM_SIZE's wParam and WM_ACTIVATE's wParam.
constexpr uintptr_t SIZE_RESTORED = 0;
constexpr uintptr_t SIZE_MINIMIZED = 1;
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;

struct Message {
    unsigned message = WM_NULL;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// One key entry per virtual-key code, 1 while the key is down.
extern uint8_t keys[256];

// Takes the next waiting message, if any (SDL events are translated into the
// queue first). A posted quit is delivered once the queue is otherwise empty.
bool peekMessage(Message& message);
void translateMessage(const Message& message);
intptr_t dispatchMessage(const Message& message);

// Queues a message as if the window system had sent it (tests, and the
// translation of SDL events).
void postMessage(const Message& message);
// Asks the loop to end: a WM_QUIT carrying the exit code.
void postQuitMessage(int exitCode);

// The program's message handler, registered as a window class registers its
// procedure; dispatchMessage hands it each message. With none registered
// (or after registering null) messages go to defaultWindowProcedure, which
// does nothing and answers 0.
using WindowProcedure = intptr_t (*)(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);
void registerWindowProcedure(WindowProcedure procedure);
intptr_t defaultWindowProcedure(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

// The translation of one SDL event into the message the window system would
// have sent; false for events the program has no message for. Keys map by
// their key code, letters and digits by position when the layout gives them
// no Latin character (as virtual-key codes do).
union SDL_Event;
bool messageFromSdlEvent(const SDL_Event& event, Message& message);
uintptr_t virtualKeyCode(int sdlKeycode, int sdlScancode);

// Empties the queue, the pending quit and the key table.
void resetMessages();
