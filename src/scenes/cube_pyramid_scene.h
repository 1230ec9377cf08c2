// A white lit solid spinning on all three axes: pyramid and cube in turn,
// five seconds each.
#pragma once

bool setupCubePyramidScene();
bool drawCubePyramidFrame();
