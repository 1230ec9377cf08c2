// SPDX-License-Identifier: MIT
#include "app/window_procedure.h"

#include "scenes/viewport.h"
#include "platform/messages.h"

intptr_t windowProcedure(void* window, unsigned message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_ACTIVATE: return 0;
        case WM_SYSCOMMAND:
            // Only these two exact requests are swallowed; anything else,
            // even with extra low bits set, is the default handler's.
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case WM_CLOSE: postQuitMessage(0); return 0;
        case WM_KEYDOWN:
            if (wParam < 256) keys[wParam] = 1;
            // Escape still held: every key-down asks to quit again.
            if (keys[VK_ESCAPE]) postQuitMessage(0);
            return 0;
        case WM_KEYUP:
            if (wParam < 256) keys[wParam] = 0;
            return 0;
        case WM_SIZE: resizeViewport(int(lParam & 0xFFFF), int((lParam >> 16) & 0xFFFF)); return 0;
        default: break;
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}
