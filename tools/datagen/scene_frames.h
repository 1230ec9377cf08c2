// SPDX-License-Identifier: MIT
// Frames of the demo's own scenes, drawn by its scene code on a headless GL
// context, for the slides that show what a scene looks like.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

// One moment of the cube and pyramid scene: the programme time that picks
// the solid and the spin angle.
struct SolidMoment {
    double elapsedSeconds;
    float spinDegrees;
};

// Renders the cube and pyramid scene at each moment into a canvas of the
// given size (4:3, like the screen), through the same set-up and frame
// operations the programme runs, without the level meter. Mesa's software
// rasteriser draws them, so that every build paints the same bytes. False,
// with the reason in `error`, when no headless GL context can be had.
bool renderSolidFrames(int width, int height, const std::vector<SolidMoment>& moments, std::vector<Canvas>& frames,
                       std::string& error);
