// SPDX-License-Identifier: MIT
// The demo's side of its window: its answer to the window's events (Escape
// or a close ends it, a new size re-sets the viewport) and the viewport that
// keeps the picture 4:3.
#pragma once

#include <cstdint>

#include "platform/window_events.h"

// Answers one event taken by the frame loop. Escape asks to quit, and so
// does every key-down while Escape is held; a close asks to quit; a resize
// calls resizeViewport. Everything else (the focus, the quit itself) needs
// no answer.
void handleWindowEvent(const WindowEvent& event);
// Forgets that Escape is held: a new run starts with no key down.
void releaseHeldKeys();

// The viewport and projection for a drawable of width x height pixels: the
// picture's 4:3 area, centred (pictureAreaFor), with the aspect of the
// screen size the scenes are built for.
void resizeViewport(int width, int height);
// Blackens whatever of the drawable lies outside the picture's area; nothing
// at all when the picture fills it. Leaves the GL state as it found it.
void coverPictureBars();
// How many times resizeViewport has replaced the projection: a slide showing
// across a resize puts its own flat projection back when this moves.
uint32_t viewportChangeCount();
