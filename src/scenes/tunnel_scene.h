// SPDX-License-Identifier: MIT
// A blended fractal cube tumbling between scrolling checkerboard planes.
#pragma once

#include "scenes/scene.h"

int setupTunnelScene();
int drawTunnelFrame();

// The scene as the timeline's row holds it: it starts from reset
// accumulators, and keeps the picture (its planes paint over the picture
// around its cube and leave the rest).
Scene tunnelScene();

// The pieces of the scene, for its frame operation and for tests.

// Where every cube face's texture coordinates start (they run from it to
// 1 - cubeTexInset); 0.5 shows one colour, 2.5 four repetitions. Set from
// phase at the start of each frame.
extern float cubeTexInset;

void drawTunnelPlanes();
void drawTunnelCube();
