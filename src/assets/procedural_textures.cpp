// SPDX-License-Identifier: MIT
#include "assets/procedural_textures.h"

#include <cstring>
#include <new>

float fractalCentreRe = 0.0f;
float fractalCentreIm = 0.0f;
float fractalStep = 0.0f;
int32_t fractalBailout = 0;

bool buildCheckerTexture(TextureImage& image) {
    uint8_t* pixels = new (std::nothrow) uint8_t[4 * 4 * 3];
    if (!pixels) return false;
    image.width = 4;
    image.height = 4;
    image.format = GL_RGB;
    image.pixels.reset(pixels);

    static const uint8_t yellow[3] = {255, 255, 0};
    static const uint8_t blue[3] = {0, 0, 255};
    for (uint32_t row = 0; row < 4; ++row)
        for (uint32_t column = 0; column < 4; ++column)
            std::memcpy(pixels + (row * 4 + column) * 3, (row + column) % 2 == 0 ? yellow : blue, 3);
    return true;
}

bool buildFractalTexture(TextureImage& image) {
    fractalCentreRe = -1.0f;
    fractalCentreIm = 0.0f;
    fractalStep = 0.012f;
    fractalBailout = 100;

    const size_t size = 256 * 256 * 4;
    uint8_t* pixels = new (std::nothrow) uint8_t[size];
    if (!pixels) return false;
    std::memset(pixels, 0, size);
    image.width = 256;
    image.height = 256;
    image.format = GL_RGBA;
    image.pixels.reset(pixels);

    renderFractal(image);
    return true;
}

// The escape-time count of one point. Where values are rounded is part of the
// picture: c and the imaginary part of z are single precision, the real part
// of z and all arithmetic double precision. Each rounding is an assignment to
// a float, in a statement of its own.
static int escapeCount(float cr, float ci) {
    double a = cr;
    float b = ci;
    int k = 0;
    while (true) {
        ++k;
        const float nextB = float(2.0 * a * double(b) + double(ci));
        const double nextA = (a * a - double(b) * double(b)) + double(cr);
        if (k == 256) break;
        if (nextA * nextA + double(nextB) * double(nextB) >= double(fractalBailout)) break;
        a = nextA;
        b = nextB;
    }
    return k > 255 ? 255 : k;
}

void renderFractal(TextureImage& image) {
    const int halfWidth = int(image.width / 2);
    const int halfHeight = int(image.height / 2);
    uint8_t* pixels = image.pixels.get();
    for (int y = -halfHeight; y < halfHeight; ++y) {
        const float ci = float(double(y) * double(fractalStep) + double(fractalCentreIm));
        for (int x = -halfWidth; x < halfWidth; ++x) {
            const float cr = float(double(x) * double(fractalStep) + double(fractalCentreRe));
            const int k = escapeCount(cr, ci);
            uint8_t* texel = pixels + (size_t(y + halfHeight) * image.width + size_t(x + halfWidth)) * 4;
            texel[0] = uint8_t(k);
            texel[1] = uint8_t(0.8 * k);
            texel[2] = uint8_t(0.9 * k);
            texel[3] = uint8_t(k);
        }
    }
}
