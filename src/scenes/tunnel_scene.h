// SPDX-License-Identifier: MIT
// A blended fractal cube tumbling between scrolling checkerboard planes.
#pragma once

int setupTunnelScene();
int drawTunnelFrame();

// The pieces of the scene, for its frame operation and for tests.

// Where every cube face's texture coordinates start (they run from it to
// 1 - cubeTexInset); 0.5 shows one colour, 2.5 four repetitions. Set from
// phase at the start of each frame.
extern float cubeTexInset;

void drawTunnelPlanes();
void drawTunnelCube();
