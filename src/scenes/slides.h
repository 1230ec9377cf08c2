// SPDX-License-Identifier: MIT
// Full-screen picture slides: a flat screen-sized 2D state and one textured
// quad per frame.
#pragma once

void beginSlideMode();
// The slides' flat projection alone: what a resize, which loads the scenes'
// perspective, takes away from a slide that is still showing.
void loadSlideProjection();
void drawSlide(int slot);
