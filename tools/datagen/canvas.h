// SPDX-License-Identifier: MIT
// A floating-point picture the generator paints on (top row first, as one
// looks at it), with the few painting operations the pictures need, the
// resampling that fits a 4:3 slide into a power-of-two texture, and the
// conversion to the bottom-row-first bytes a TGA file holds.
#pragma once

#include <cstdint>
#include <vector>

#include "tga_writer.h"

struct Colour {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

Colour mixColour(const Colour& a, const Colour& b, float t);
Colour scaleColour(const Colour& c, float k);
// Hue 0..1 around the colour wheel, saturation and value 0..1.
Colour hsvColour(float hue, float saturation, float value);

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<float> rgba;  // 4 floats per pixel, straight (not premultiplied) alpha

    Canvas() = default;
    Canvas(int w, int h, const Colour& fill);
    Colour get(int x, int y) const;
    void set(int x, int y, const Colour& c);
    // Paints c over the pixel with the given coverage (0..1) times c.a.
    void blend(int x, int y, const Colour& c, float coverage);
    // Adds c times k to the pixel's colour (light, glows).
    void add(int x, int y, const Colour& c, float k);
};

// Deterministic pseudo-random numbers (xorshift), the same on every build.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    uint32_t next();
    float uniform();                  // [0, 1)
    float range(float lo, float hi);  // [lo, hi)

private:
    uint32_t state_;
};

// Smooth value noise over a grid of `period` cells that wraps, so that a
// picture built from it tiles; fbm sums octaves of it.
float tiledNoise(float x, float y, int period, uint32_t seed);
float tiledFbm(float x, float y, int period, int octaves, uint32_t seed);

void fillVertical(Canvas& canvas, const Colour& top, const Colour& bottom);
// A soft round light: colour added with a Gaussian falloff of the given
// radius (where it has fallen to about 1/e^2). wrap: distances measured on
// the torus, for tileable pictures.
void addGlow(Canvas& canvas, float cx, float cy, float radius, const Colour& colour, float strength, bool wrap = false);
// A filled disc with a one-pixel soft edge, painted over.
void fillDisc(Canvas& canvas, float cx, float cy, float radius, const Colour& colour, bool wrap = false);
// An axis-aligned rectangle with rounded corners painted over (panels
// behind text).
void fillRoundedRect(Canvas& canvas, float x0, float y0, float x1, float y1, float cornerRadius, const Colour& colour);

// Area-weighted resampling to any size (each output pixel averages the input
// area it covers): downscales without aliasing, upscales blockily but
// nothing here does that.
Canvas resampleCanvas(const Canvas& source, int width, int height);

// To TGA bytes: rows reversed (first row = bottom), values rounded with a
// small ordered dither so that gradients do not band; 24 or 32 bits.
TgaPicture canvasToTga(const Canvas& canvas, int bitsPerPixel, bool dither = true);

struct Point2 {
    float x, y;
};

// A convex polygon filled with one colour, each pixel covered by 4x4 samples.
void fillConvexPolygon(Canvas& canvas, const std::vector<Point2>& corners, const Colour& colour);
// A line segment with round ends (a limb, a stroke), filled.
void fillCapsule(Canvas& canvas, Point2 a, Point2 b, float radius, const Colour& colour);

// A single-channel coverage mask the size of a canvas (text glows).
struct Mask {
    int width = 0, height = 0;
    std::vector<float> value;
};
Mask maskFromAlpha(const Canvas& canvas);
// Three passes of a box blur of the given radius: close to a Gaussian.
void blurMask(Mask& mask, int radius);
void addMask(Canvas& canvas, const Mask& mask, const Colour& colour, float strength);
