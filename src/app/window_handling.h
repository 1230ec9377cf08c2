// SPDX-License-Identifier: MIT
// The demo's answer to its window's events: Escape or a close ends it, a new
// size re-sets the viewport.
#pragma once

#include "platform/window_events.h"

// Answers one event taken by the frame loop. Escape asks to quit, and so
// does every key-down while Escape is held; a close asks to quit; a resize
// calls resizeViewport. Everything else (the focus, the quit itself) needs
// no answer.
void handleWindowEvent(const WindowEvent& event);
// Forgets that Escape is held: a new run starts with no key down.
void releaseHeldKeys();
