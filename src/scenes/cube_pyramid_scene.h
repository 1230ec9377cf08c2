// SPDX-License-Identifier: MIT
// A white lit solid spinning on all three axes: pyramid and cube in turn,
// five seconds each.
#pragma once

bool setupCubePyramidScene();
bool drawCubePyramidFrame();

// Which solid shows at a programme time: the pyramid in even five-second
// blocks of whole seconds ([0, 5), [10, 15), ...), the cube in odd ones.
bool pyramidShowsAt(double elapsedSeconds);
