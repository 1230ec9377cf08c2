// SPDX-License-Identifier: MIT
// A figure blending between two poses under a moving light with its marker.
#pragma once

int setupMorphScene();
void drawMorphFrame();
void releaseMorphModels();

// The blend of one coordinate: a of the first pose, b of the second, with
// w = sin(rotY) + 1 in [0, 2], at half the stored size.
float morphCoordinate(double a, double b, double w);
