// SPDX-License-Identifier: MIT
// The demo's own answer to the window's messages: which key ends it, what a
// close or a new size does. The start-up registers windowProcedure with the
// message layer, which hands it every dispatched message.
#pragma once

#include <cstdint>

intptr_t windowProcedure(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

// The viewport and projection for a client area of width x height; the
// aspect stays that of the screen size the scenes are built for.
void resizeViewport(int width, int height);
// How many times resizeViewport has replaced the projection: a slide showing
// across a size message puts its own flat projection back when this moves.
uint32_t viewportChangeCount();
