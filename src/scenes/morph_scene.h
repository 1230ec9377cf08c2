// SPDX-License-Identifier: MIT
// A figure blending between two poses under a moving light with its marker.
#pragma once

#include "scenes/scene.h"

int setupMorphScene();
void drawMorphFrame();
void releaseMorphModels();

// The scene as the timeline's row holds it: it starts from reset
// accumulators and its tear-down releases the three models.
Scene morphScene();

// The blend of one coordinate: a of the first pose, b of the second, with
// w = sin(rotY) + 1 in [0, 2], at half the stored size.
float morphCoordinate(double a, double b, double w);
