// SPDX-License-Identifier: MIT
// The demo's own answer to the window's messages: which key ends it, what a
// close or a new size does. The start-up registers windowProcedure with the
// message layer, which hands it every dispatched message.
#pragma once

#include <cstdint>

intptr_t windowProcedure(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

// The viewport and projection for a drawable of width x height pixels: the
// picture's 4:3 area, centred (pictureAreaFor), with the aspect of the
// screen size the scenes are built for.
void resizeViewport(int width, int height);
// Blackens whatever of the drawable lies outside the picture's area; nothing
// at all when the picture fills it. Leaves the GL state as it found it.
void coverPictureBars();
// How many times resizeViewport has replaced the projection: a slide showing
// across a size message puts its own flat projection back when this moves.
uint32_t viewportChangeCount();
