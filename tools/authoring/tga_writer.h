// SPDX-License-Identifier: MIT
// Writes TGA pictures of the subset the demo's loader reads: true colour,
// 24 or 32 bits, no image ID, no colour map, origin 0, bottom-left row order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TgaPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitsPerPixel = 24;  // 24: RGB, 32: RGBA
    // width*height pixels, RGB or RGBA bytes, first row = bottom row of the
    // picture (as the loader hands it to GL: t = 0).
    std::vector<uint8_t> pixels;
};

// Type 2 (uncompressed) or type 10 (run-length encoded).
std::vector<uint8_t> encodeTga(const TgaPicture& picture, bool runLengthEncoded);
bool writeTga(const std::string& path, const TgaPicture& picture, bool runLengthEncoded);
