// SPDX-License-Identifier: MIT
// The two generated textures: a 4x4 checkerboard and a 256x256 escape-time
// fractal.
#pragma once

#include <cstdint>

#include "assets/texture_image.h"

extern float fractalCentreRe;
extern float fractalCentreIm;
extern float fractalStep;
extern int32_t fractalBailout;

bool buildCheckerTexture(TextureImage& image);
bool buildFractalTexture(TextureImage& image);
void renderFractal(TextureImage& image);
