// SPDX-License-Identifier: MIT
// An OpenGL context without a window: EGL on Mesa's surfaceless platform
// (software rasteriser llvmpipe), rendering into a pbuffer of the requested
// size. Tests and the capture tool draw with the same code as the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Creates the context and makes it current on the calling thread. False (and
// a reason in headlessGlError) when no EGL display or context can be had.
bool createHeadlessContext(int width, int height);
void destroyHeadlessContext();
bool headlessContextCurrent();
const std::string& headlessGlError();

// Reads the colour buffer as RGBA bytes, rows from the top of the picture
// down (the reverse of GL's bottom-up order), width*height*4 bytes.
std::vector<uint8_t> readFramePixels(int width, int height);
