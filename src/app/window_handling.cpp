// SPDX-License-Identifier: MIT
#include "app/window_handling.h"

#include "scenes/viewport.h"

namespace {
bool escapeHeld = false;
}  // namespace

void handleWindowEvent(const WindowEvent& event) {
    switch (event.kind) {
        case WindowEvent::Kind::close: postQuit(0); break;
        case WindowEvent::Kind::keyDown:
            if (event.escape) escapeHeld = true;
            // Escape still held: every key-down asks to quit again.
            if (escapeHeld) postQuit(0);
            break;
        case WindowEvent::Kind::keyUp:
            if (event.escape) escapeHeld = false;
            break;
        case WindowEvent::Kind::resize: resizeViewport(event.width, event.height); break;
        default: break;
    }
}

void releaseHeldKeys() { escapeHeld = false; }
