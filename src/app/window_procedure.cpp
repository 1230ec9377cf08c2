// SPDX-License-Identifier: MIT
#include "app/window_procedure.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/shared_state.h"
#include "platform/messages.h"

namespace {
uint32_t viewportChanges = 0;
}

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

void resizeViewport(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The aspect comes from the screen size the scenes are built for, not from
    // the window: a resized window stretches the picture.
    gluPerspective(100.0, screenWidth / double(screenHeight), 8.0, 10000.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ++viewportChanges;
}

uint32_t viewportChangeCount() { return viewportChanges; }
