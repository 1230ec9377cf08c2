// SPDX-License-Identifier: MIT
// Where the picture goes on the drawable, the one place the viewport is set:
// at start-up for the drawable the display gave, and again on every new size.
#pragma once

#include <cstdint>

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
