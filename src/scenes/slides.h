// Full-screen picture slides: a flat screen-sized 2D state and one textured
// quad per frame.
#pragma once

void beginSlideMode();
void drawSlide(int slot);
