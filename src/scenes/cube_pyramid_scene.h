// SPDX-License-Identifier: MIT
// A white lit solid spinning on all three axes: pyramid and cube in turn,
// five seconds each.
#pragma once

#include "scenes/scene.h"

bool setupCubePyramidScene();
bool drawCubePyramidFrame();

// The frame's picture once the spin has advanced: the solid of the moment
// `elapsedSeconds`, turned by `spinDegrees` about each axis. The data-set
// generator draws single moments with it.
void drawCubePyramidAt(double elapsedSeconds, float spinDegrees);

// The scene as the timeline's row holds it: nothing to release or forget.
Scene cubePyramidScene();

// Which solid shows at a programme time: the pyramid in even five-second
// blocks of whole seconds ([0, 5), [10, 15), ...), the cube in odd ones.
bool pyramidShowsAt(double elapsedSeconds);
