// SPDX-License-Identifier: MIT
// Full-screen picture slides: a flat screen-sized 2D state and one textured
// quad per frame.
#pragma once

#include "scenes/scene.h"

void beginSlideMode();
// The slides' flat projection alone: what a resize, which loads the scenes'
// perspective, takes away from a slide that is still showing.
void loadSlideProjection();
void drawSlide(int slot);

// A slide as the timeline's row holds it, showing the bank's picture `slot`.
// Its set-up is beginSlideMode. A slide still showing when a new size loads
// the scenes' perspective puts its flat projection back before it draws (the
// title too, whose set-up may come before the window's first size).
Scene slideScene(const char* name, int slot);
