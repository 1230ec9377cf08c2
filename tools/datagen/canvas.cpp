// SPDX-License-Identifier: MIT
#include "canvas.h"

#include <algorithm>
#include <cmath>

Colour mixColour(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour scaleColour(const Colour& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Colour hsvColour(float hue, float saturation, float value) {
    float h = (hue - std::floor(hue)) * 6.0f;
    int sector = static_cast<int>(h) % 6;
    float f = h - std::floor(h);
    float p = value * (1.0f - saturation);
    float q = value * (1.0f - saturation * f);
    float t = value * (1.0f - saturation * (1.0f - f));
    switch (sector) {
        case 0: return {value, t, p, 1.0f};
        case 1: return {q, value, p, 1.0f};
        case 2: return {p, value, t, 1.0f};
        case 3: return {p, q, value, 1.0f};
        case 4: return {t, p, value, 1.0f};
        default: return {value, p, q, 1.0f};
    }
}

Canvas::Canvas(int w, int h, const Colour& fill) : width(w), height(h), rgba(size_t(w) * h * 4) {
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = fill.r;
        rgba[i + 1] = fill.g;
        rgba[i + 2] = fill.b;
        rgba[i + 3] = fill.a;
    }
}

Colour Canvas::get(int x, int y) const {
    const float* p = &rgba[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Canvas::set(int x, int y, const Colour& c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    float* p = &rgba[(size_t(y) * width + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

void Canvas::blend(int x, int y, const Colour& c, float coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    float k = std::clamp(coverage * c.a, 0.0f, 1.0f);
    if (k <= 0.0f) return;
    float* p = &rgba[(size_t(y) * width + x) * 4];
    p[0] += (c.r - p[0]) * k;
    p[1] += (c.g - p[1]) * k;
    p[2] += (c.b - p[2]) * k;
    p[3] += (1.0f - p[3]) * k;
}

void Canvas::add(int x, int y, const Colour& c, float k) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    float* p = &rgba[(size_t(y) * width + x) * 4];
    p[0] += c.r * k;
    p[1] += c.g * k;
    p[2] += c.b * k;
}

uint32_t Random::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

float Random::uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }

float Random::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

namespace {

float latticeValue(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xffffff) * (1.0f / 16777215.0f);
}

int wrapIndex(int i, int period) {
    int m = i % period;
    return m < 0 ? m + period : m;
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// Shortest signed distance from a to b on a circle of circumference period.
float wrappedDelta(float a, float b, float period) {
    float d = b - a;
    d -= period * std::round(d / period);
    return d;
}

// Calls visit(x, y, ex, ey) for every pixel of the square of half-width
// `reach` around (cx, cy), with (ex, ey) the pixel centre's offset from it;
// with `wrap` the square and the offsets wrap around the canvas's edges.
template <typename Visit>
void forEachPixelNear(const Canvas& canvas, float cx, float cy, int reach, bool wrap, Visit visit) {
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            int x = static_cast<int>(std::floor(cx)) + dx;
            int y = static_cast<int>(std::floor(cy)) + dy;
            if (wrap) {
                x = wrapIndex(x, canvas.width);
                y = wrapIndex(y, canvas.height);
            }
            float ex = wrap ? wrappedDelta(cx, float(x) + 0.5f, float(canvas.width)) : float(x) + 0.5f - cx;
            float ey = wrap ? wrappedDelta(cy, float(y) + 0.5f, float(canvas.height)) : float(y) + 0.5f - cy;
            visit(x, y, ex, ey);
        }
    }
}

}  // namespace

float tiledNoise(float x, float y, int period, uint32_t seed) {
    int x0 = static_cast<int>(std::floor(x));
    int y0 = static_cast<int>(std::floor(y));
    float fx = smooth(x - float(x0));
    float fy = smooth(y - float(y0));
    float v00 = latticeValue(wrapIndex(x0, period), wrapIndex(y0, period), seed);
    float v10 = latticeValue(wrapIndex(x0 + 1, period), wrapIndex(y0, period), seed);
    float v01 = latticeValue(wrapIndex(x0, period), wrapIndex(y0 + 1, period), seed);
    float v11 = latticeValue(wrapIndex(x0 + 1, period), wrapIndex(y0 + 1, period), seed);
    float top = v00 + (v10 - v00) * fx;
    float bottom = v01 + (v11 - v01) * fx;
    return top + (bottom - top) * fy;
}

float tiledFbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0.0f, amplitude = 0.5f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * tiledNoise(x, y, period, seed + uint32_t(o) * 101u);
        norm += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / norm;
}

void fillVertical(Canvas& canvas, const Colour& top, const Colour& bottom) {
    for (int y = 0; y < canvas.height; ++y) {
        Colour c = mixColour(top, bottom, float(y) / float(std::max(1, canvas.height - 1)));
        for (int x = 0; x < canvas.width; ++x) canvas.set(x, y, c);
    }
}

void addGlow(Canvas& canvas, float cx, float cy, float radius, const Colour& colour, float strength, bool wrap) {
    forEachPixelNear(canvas, cx, cy, static_cast<int>(std::ceil(radius * 1.6f)), wrap,
                     [&](int x, int y, float ex, float ey) {
                         float d2 = (ex * ex + ey * ey) / (radius * radius);
                         if (d2 > 2.56f) return;
                         canvas.add(x, y, colour, strength * std::exp(-2.0f * d2));
                     });
}

void fillDisc(Canvas& canvas, float cx, float cy, float radius, const Colour& colour, bool wrap) {
    forEachPixelNear(canvas, cx, cy, static_cast<int>(std::ceil(radius + 1.0f)), wrap,
                     [&](int x, int y, float ex, float ey) {
                         float coverage = std::clamp(radius + 0.5f - std::sqrt(ex * ex + ey * ey), 0.0f, 1.0f);
                         canvas.blend(x, y, colour, coverage);
                     });
}

void fillRoundedRect(Canvas& canvas, float x0, float y0, float x1, float y1, float cornerRadius, const Colour& colour) {
    for (int y = std::max(0, int(y0) - 1); y <= std::min(canvas.height - 1, int(y1) + 1); ++y) {
        for (int x = std::max(0, int(x0) - 1); x <= std::min(canvas.width - 1, int(x1) + 1); ++x) {
            float px = float(x) + 0.5f, py = float(y) + 0.5f;
            // Distance outside the rectangle shrunk by the corner radius.
            float qx = std::max({x0 + cornerRadius - px, px - (x1 - cornerRadius), 0.0f});
            float qy = std::max({y0 + cornerRadius - py, py - (y1 - cornerRadius), 0.0f});
            float outside = std::sqrt(qx * qx + qy * qy) - cornerRadius;
            canvas.blend(x, y, colour, std::clamp(0.5f - outside, 0.0f, 1.0f));
        }
    }
}

namespace {

// Weights of the input cells [i, i+1) overlapping the output cell
// [o*scale, (o+1)*scale), for one axis.
struct Span {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Span> resampleSpans(int inSize, int outSize) {
    std::vector<Span> spans(static_cast<size_t>(outSize));
    double scale = double(inSize) / double(outSize);
    for (int o = 0; o < outSize; ++o) {
        double lo = o * scale, hi = (o + 1) * scale;
        int first = static_cast<int>(std::floor(lo));
        int last = std::min(inSize - 1, static_cast<int>(std::ceil(hi)) - 1);
        Span& span = spans[size_t(o)];
        span.first = first;
        double total = 0.0;
        for (int i = first; i <= last; ++i) {
            double w = std::min(hi, double(i + 1)) - std::max(lo, double(i));
            span.weights.push_back(float(std::max(0.0, w)));
            total += std::max(0.0, w);
        }
        for (float& w : span.weights) w = float(w / total);
    }
    return spans;
}

}  // namespace

Canvas resampleCanvas(const Canvas& source, int width, int height) {
    std::vector<Span> xs = resampleSpans(source.width, width);
    std::vector<Span> ys = resampleSpans(source.height, height);
    // Horizontal pass, then vertical.
    Canvas across(width, source.height, Colour{0, 0, 0, 0});
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            const Span& s = xs[size_t(x)];
            for (size_t k = 0; k < s.weights.size(); ++k) {
                const float* p = &source.rgba[(size_t(y) * source.width + s.first + k) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += p[c] * s.weights[k];
            }
            across.set(x, y, {acc[0], acc[1], acc[2], acc[3]});
        }
    }
    Canvas result(width, height, Colour{0, 0, 0, 0});
    for (int y = 0; y < height; ++y) {
        const Span& s = ys[size_t(y)];
        for (int x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < s.weights.size(); ++k) {
                const float* p = &across.rgba[(size_t(s.first + int(k)) * width + x) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += p[c] * s.weights[k];
            }
            result.set(x, y, {acc[0], acc[1], acc[2], acc[3]});
        }
    }
    return result;
}

TgaPicture canvasToTga(const Canvas& canvas, int bitsPerPixel, bool dither) {
    static const float bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    TgaPicture picture;
    picture.width = uint32_t(canvas.width);
    picture.height = uint32_t(canvas.height);
    picture.bitsPerPixel = bitsPerPixel;
    int channels = bitsPerPixel / 8;
    picture.pixels.resize(size_t(canvas.width) * canvas.height * size_t(channels));
    size_t out = 0;
    for (int row = canvas.height - 1; row >= 0; --row) {  // bottom row first
        for (int x = 0; x < canvas.width; ++x) {
            Colour c = canvas.get(x, row);
            float offset = dither ? (bayer[row & 3][x & 3] + 0.5f) / 16.0f : 0.5f;
            float values[4] = {c.r, c.g, c.b, c.a};
            for (int k = 0; k < channels; ++k) {
                float v = std::clamp(values[k], 0.0f, 1.0f) * 255.0f + offset;
                picture.pixels[out++] = uint8_t(std::min(255.0f, std::floor(v)));
            }
        }
    }
    return picture;
}

void fillConvexPolygon(Canvas& canvas, const std::vector<Point2>& corners, const Colour& colour) {
    if (corners.size() < 3) return;
    float minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY;
    double area = 0.0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Point2& p = corners[i];
        const Point2& q = corners[(i + 1) % corners.size()];
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        area += double(p.x) * q.y - double(q.x) * p.y;
    }
    float orientation = area >= 0.0 ? 1.0f : -1.0f;
    auto inside = [&](float x, float y) {
        for (size_t i = 0; i < corners.size(); ++i) {
            const Point2& p = corners[i];
            const Point2& q = corners[(i + 1) % corners.size()];
            float edge = (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
            if (edge * orientation < 0.0f) return false;
        }
        return true;
    };
    for (int y = std::max(0, int(std::floor(minY))); y <= std::min(canvas.height - 1, int(maxY)); ++y) {
        for (int x = std::max(0, int(std::floor(minX))); x <= std::min(canvas.width - 1, int(maxX)); ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(float(x) + (float(sx) + 0.5f) / 4.0f, float(y) + (float(sy) + 0.5f) / 4.0f);
            if (hits) canvas.blend(x, y, colour, float(hits) / 16.0f);
        }
    }
}

void fillCapsule(Canvas& canvas, Point2 a, Point2 b, float radius, const Colour& colour) {
    float minX = std::min(a.x, b.x) - radius - 1, maxX = std::max(a.x, b.x) + radius + 1;
    float minY = std::min(a.y, b.y) - radius - 1, maxY = std::max(a.y, b.y) + radius + 1;
    float dx = b.x - a.x, dy = b.y - a.y;
    float lengthSquared = std::max(1e-6f, dx * dx + dy * dy);
    for (int y = std::max(0, int(minY)); y <= std::min(canvas.height - 1, int(maxY)); ++y) {
        for (int x = std::max(0, int(minX)); x <= std::min(canvas.width - 1, int(maxX)); ++x) {
            float px = float(x) + 0.5f - a.x, py = float(y) + 0.5f - a.y;
            float t = std::clamp((px * dx + py * dy) / lengthSquared, 0.0f, 1.0f);
            float ex = px - t * dx, ey = py - t * dy;
            float coverage = std::clamp(radius + 0.5f - std::sqrt(ex * ex + ey * ey), 0.0f, 1.0f);
            canvas.blend(x, y, colour, coverage);
        }
    }
}

Mask maskFromAlpha(const Canvas& canvas) {
    Mask mask;
    mask.width = canvas.width;
    mask.height = canvas.height;
    mask.value.resize(size_t(canvas.width) * canvas.height);
    for (size_t i = 0; i < mask.value.size(); ++i) mask.value[i] = canvas.rgba[i * 4 + 3];
    return mask;
}

void blurMask(Mask& mask, int radius) {
    if (radius <= 0) return;
    std::vector<float> line;
    float norm = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < mask.height; ++y) {  // horizontal
            line.assign(mask.value.begin() + size_t(y) * mask.width, mask.value.begin() + size_t(y + 1) * mask.width);
            float sum = 0.0f;
            for (int x = -radius; x <= radius; ++x) sum += line[size_t(std::clamp(x, 0, mask.width - 1))];
            for (int x = 0; x < mask.width; ++x) {
                mask.value[size_t(y) * mask.width + x] = sum * norm;
                sum += line[size_t(std::min(mask.width - 1, x + radius + 1))];
                sum -= line[size_t(std::max(0, x - radius))];
            }
        }
        for (int x = 0; x < mask.width; ++x) {  // vertical
            line.resize(size_t(mask.height));
            for (int y = 0; y < mask.height; ++y) line[size_t(y)] = mask.value[size_t(y) * mask.width + x];
            float sum = 0.0f;
            for (int y = -radius; y <= radius; ++y) sum += line[size_t(std::clamp(y, 0, mask.height - 1))];
            for (int y = 0; y < mask.height; ++y) {
                mask.value[size_t(y) * mask.width + x] = sum * norm;
                sum += line[size_t(std::min(mask.height - 1, y + radius + 1))];
                sum -= line[size_t(std::max(0, y - radius))];
            }
        }
    }
}

void addMask(Canvas& canvas, const Mask& mask, const Colour& colour, float strength) {
    for (int y = 0; y < canvas.height && y < mask.height; ++y)
        for (int x = 0; x < canvas.width && x < mask.width; ++x)
            canvas.add(x, y, colour, strength * mask.value[size_t(y) * mask.width + x]);
}
