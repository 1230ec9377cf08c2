// SPDX-License-Identifier: MIT
// One decoded image and, after upload, its GL texture name.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>

struct TextureImage {
    // width x height pixels, rows in order, RGB or RGBA bytes; empty before
    // filling, after a failed fill and after the upload.
    std::unique_ptr<uint8_t[]> pixels;
    uint32_t bitsPerPixel = 0;  // 24 or 32, the source picture's depth
    uint32_t width = 0;
    uint32_t height = 0;
    GLuint textureId = 0;  // 0 until uploaded
    GLenum format = 0;     // GL_RGB or GL_RGBA
};
