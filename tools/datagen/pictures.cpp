// SPDX-License-Identifier: MIT
#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "assets/data_files.h"
#include "assets/procedural_textures.h"
#include "scene_frames.h"

namespace {

constexpr float pi = 3.14159265358979f;
constexpr float W = float(slideCanvasWidth);
constexpr float H = float(slideCanvasHeight);

float smoothStep(float edge0, float edge1, float x) {
    float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Soft highlights instead of hard clipping where lights add up.
void toneMap(Canvas& canvas) {
    for (size_t i = 0; i < canvas.rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            float v = canvas.rgba[i + size_t(c)];
            canvas.rgba[i + size_t(c)] = v <= 0.8f ? v : 0.8f + 0.2f * (1.0f - std::exp(-(v - 0.8f) * 5.0f));
        }
}

// A small four-pointed sparkle: a glow with two thin rays.
void addSparkle(Canvas& canvas, float x, float y, float size, const Colour& colour) {
    addGlow(canvas, x, y, size, colour, 0.9f);
    for (int k = -int(size * 4); k <= int(size * 4); ++k) {
        float fall = std::exp(-std::fabs(float(k)) / size * 0.9f) * 0.6f;
        canvas.add(int(x) + k, int(y), colour, fall);
        canvas.add(int(x), int(y) + k, colour, fall);
    }
}

void scatterStars(Canvas& canvas, Random& random, int count, float maxY) {
    for (int i = 0; i < count; ++i) {
        float x = random.range(0, W), y = random.range(0, maxY);
        float brightness = random.uniform();
        brightness *= brightness;
        Colour tint = mixColour({0.8f, 0.85f, 1.0f, 1}, {1.0f, 0.9f, 0.75f, 1}, random.uniform());
        if (brightness > 0.93f)
            addSparkle(canvas, x, y, 2.2f, scaleColour(tint, 0.9f));
        else
            addGlow(canvas, x, y, 1.2f + 1.6f * brightness, tint, 0.25f + 0.75f * brightness);
    }
}

// Text with a soft glow of the given colour around it.
void glowingText(Canvas& canvas, TextPainter& painter, FontStyle style, float size, float centreX, float baseline,
                 const std::string& text, const Colour& colour, const Colour& glow, int blurRadius,
                 float glowStrength) {
    Canvas layer(canvas.width, canvas.height, Colour{0, 0, 0, 0});
    painter.drawCentred(layer, style, size, centreX, baseline, text, Colour{1, 1, 1, 1});
    Mask mask = maskFromAlpha(layer);
    blurMask(mask, blurRadius);
    addMask(canvas, mask, glow, glowStrength);
    painter.drawCentred(canvas, style, size, centreX, baseline, text, colour);
}

// The level meter's bars stand in the bottom-right corner of every frame.
// Slides keep a little more than the promised corner clear (85 x 165
// screen pixels, twice that on the canvas) and blur whatever background
// lies there, fading out over a margin, so that the bars read over a calm
// ground. Nothing sharp may be painted there afterwards.
constexpr float cornerLeft = W - 2.0f * 85.0f;
constexpr float cornerTop = H - 2.0f * 165.0f;
constexpr float cornerFade = 120.0f;
// Panels and text end this far left of the corner.
constexpr float clearRight = cornerLeft - 110.0f;
static_assert(85 >= meterCornerWidth && 165 >= meterCornerHeight, "the painted corner covers the promised one");

void quietMeterCorner(Canvas& canvas) {
    const int x0 = int(cornerLeft - cornerFade), y0 = int(cornerTop - cornerFade);
    const int w = canvas.width - x0, h = canvas.height - y0;
    Mask channels[3];
    for (int c = 0; c < 3; ++c) {
        channels[c].width = w;
        channels[c].height = h;
        channels[c].value.resize(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                channels[c].value[size_t(y) * w + x] =
                    canvas.rgba[(size_t(y0 + y) * canvas.width + size_t(x0 + x)) * 4 + size_t(c)];
        blurMask(channels[c], 26);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float k = smoothStep(x0, cornerLeft, float(x0 + x)) * smoothStep(y0, cornerTop, float(y0 + y));
            float* pixel = &canvas.rgba[(size_t(y0 + y) * canvas.width + size_t(x0 + x)) * 4];
            for (int c = 0; c < 3; ++c) pixel[c] += (channels[c].value[size_t(y) * w + x] - pixel[c]) * k;
        }
}

// The caption block every scene card shares: a translucent panel in the
// lower part of the picture, left of the meter's corner, the scene's
// numeral and name, and a few lines in the show's voice. Sizes are for the
// 1280x960 canvas, so the body text is 21 pixels high on the 640x480 screen.
void drawCaption(Canvas& canvas, TextPainter& painter, const std::string& numeral, const std::string& name,
                 const std::string& body, const Colour& accent) {
    quietMeterCorner(canvas);
    const float bodySize = 42.0f, lineGap = 54.0f, margin = 90.0f;
    const float panelLeft = margin - 30, panelRight = clearRight;
    std::vector<std::string> lines = painter.wrap(FontStyle::SansRegular, bodySize, body, panelRight - margin - 36);
    float panelBottom = H - 60.0f;
    float panelTop = panelBottom - 150.0f - lineGap * float(lines.size());
    fillRoundedRect(canvas, panelLeft, panelTop, panelRight, panelBottom, 28.0f, Colour{0.02f, 0.02f, 0.05f, 0.62f});
    fillRoundedRect(canvas, panelLeft, panelTop, margin - 18, panelBottom, 6.0f, accent);
    float headline = panelTop + 96.0f;
    painter.draw(canvas, FontStyle::SerifBoldItalic, 84.0f, margin + 4, headline, numeral, accent);
    float numeralWidth = painter.measure(FontStyle::SerifBoldItalic, 84.0f, numeral);
    painter.draw(canvas, FontStyle::SansBold, 70.0f, margin + numeralWidth + 36, headline, name, Colour{1, 1, 1, 1});
    float y = headline + 70.0f;
    for (const std::string& line : lines) {
        painter.draw(canvas, FontStyle::SansRegular, bodySize, margin + 6, y, line, Colour{0.92f, 0.92f, 0.96f, 1});
        y += lineGap;
    }
}

// A warning line on a dark strip across the top of a card, far from the
// caption below and the meter's corner, for the last card before a scene
// that flashes.
void drawFlashWarning(Canvas& canvas, TextPainter& painter, const std::string& text) {
    const float left = 60.0f, right = W - 60.0f;
    fillRoundedRect(canvas, left, 40.0f, right, 112.0f, 18.0f, Colour{0.0f, 0.0f, 0.02f, 0.78f});
    painter.drawCentred(canvas, FontStyle::SansBold, 34.0f, (left + right) / 2, 88.0f, text, {1.0f, 0.78f, 0.35f, 1});
}

// ---------------------------------------------------------------- textures

// Slot 0: grass that tiles, seen from above: a mottled ground and many
// blades, each drawn across the picture's edges so that tiles meet.
Canvas paintGrass(int size) {
    Canvas canvas(size, size, Colour{0, 0, 0, 1});
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float n = tiledFbm(float(x) / 32.0f, float(y) / 32.0f, size / 32, 4, 11);
            canvas.set(x, y, mixColour({0.07f, 0.16f, 0.04f, 1}, {0.22f, 0.40f, 0.09f, 1}, n));
        }
    Random random(1234);
    for (int i = 0; i < 1500; ++i) {
        float x = random.range(0, float(size)), y = random.range(0, float(size));
        float length = random.range(12, 38);
        float angle = random.range(-pi, pi);
        float bend = random.range(-0.02f, 0.02f);
        float width = random.range(1.0f, 2.0f);
        Colour base = hsvColour(random.range(0.20f, 0.32f), random.range(0.55f, 0.85f), random.range(0.30f, 0.62f));
        Colour tip = mixColour(base, {0.80f, 0.90f, 0.45f, 1}, random.range(0.2f, 0.6f));
        float px = x, py = y;
        int steps = int(length);
        for (int s = 0; s < steps; ++s) {
            float t = float(s) / float(steps);
            fillDisc(canvas, px, py, width * (1.0f - 0.7f * t), mixColour(base, tip, t), true);
            angle += bend;
            px += std::cos(angle);
            py += std::sin(angle);
        }
    }
    return canvas;
}

// Slot 1: a few large, soft pools of light on a deep blue ground, tiling.
// The scroller drifts it behind its letters, up to a sixth of the picture
// a frame, and projects it onto the letters eight times smaller: only broad,
// gentle shapes of moderate contrast keep the background calm from frame to
// frame while the letters, which show several pools each, stand out as
// brighter, livelier shapes with dark extruded sides.
Canvas paintLights(int size) {
    Canvas canvas(size, size, Colour{0, 0, 0, 1});
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float n = tiledFbm(float(x) / 128.0f, float(y) / 128.0f, size / 128, 2, 77);
            canvas.set(x, y, mixColour({0.24f, 0.26f, 0.40f, 1}, {0.36f, 0.42f, 0.54f, 1}, n));
        }
    Random random(4321);
    const Colour pools[] = {{0.95f, 0.62f, 0.30f, 1},
                            {0.55f, 0.75f, 0.95f, 1},
                            {0.90f, 0.50f, 0.70f, 1},
                            {0.45f, 0.85f, 0.75f, 1},
                            {0.95f, 0.80f, 0.45f, 1}};
    for (const Colour& colour : pools) {
        float x = random.range(0, float(size)), y = random.range(0, float(size));
        addGlow(canvas, x, y, random.range(56, 76), colour, random.range(0.22f, 0.30f), true);
    }
    toneMap(canvas);
    return canvas;
}

// Slot 4: the morph scene's light marker, blended by its alpha: a hot
// white core, a warm halo and four faint rays, fully transparent at the
// square's edge.
Canvas paintLightMarker(int size) {
    Canvas canvas(size, size, Colour{0, 0, 0, 0});
    float half = float(size) / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (float(x) + 0.5f - half) / half, dy = (float(y) + 0.5f - half) / half;
            float r = std::sqrt(dx * dx + dy * dy);
            float core = std::exp(-r * r * 30.0f);
            float halo = std::exp(-r * r * 3.5f);
            float rays =
                (std::exp(-std::fabs(dx) * 28.0f) + std::exp(-std::fabs(dy) * 28.0f)) * std::exp(-r * 2.5f) * 0.45f;
            float edge = 1.0f - smoothStep(0.7f, 1.0f, r);
            float alpha = std::clamp(core + 0.9f * halo + rays, 0.0f, 1.0f) * edge;
            Colour c = mixColour({1.0f, 0.72f, 0.32f, 1}, {1, 1, 1, 1}, std::clamp(core * 1.4f + rays, 0.0f, 1.0f));
            c.a = alpha;
            canvas.set(x, y, c);
        }
    return canvas;
}

// ------------------------------------------------------------------ slides

Canvas paintTitle(TextPainter& painter) {
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{});
    for (int y = 0; y < slideCanvasHeight; ++y) {
        float t = float(y) / H;
        Colour c = t < 0.6f ? mixColour({0.02f, 0.02f, 0.09f, 1}, {0.16f, 0.06f, 0.27f, 1}, t / 0.6f)
                            : mixColour({0.16f, 0.06f, 0.27f, 1}, {0.62f, 0.28f, 0.36f, 1}, (t - 0.6f) / 0.25f);
        for (int x = 0; x < slideCanvasWidth; ++x) canvas.set(x, y, c);
    }
    // Aurora curtains over the upper sky.
    for (int y = 0; y < slideCanvasHeight * 3 / 4; ++y)
        for (int x = 0; x < slideCanvasWidth; ++x) {
            float fx = float(x);
            float centre = 250.0f + 70.0f * std::sin(fx * 0.0042f + 0.7f) + 30.0f * std::sin(fx * 0.013f);
            float band = std::exp(-std::pow((float(y) - centre) / 110.0f, 2.0f));
            float streak = 0.55f + 0.45f * std::sin(fx * 0.045f + 3.0f * std::sin(fx * 0.007f));
            float above = float(y) < centre ? 1.0f : 0.6f;
            Colour c = mixColour({0.10f, 0.85f, 0.55f, 1}, {0.45f, 0.35f, 0.95f, 1},
                                 smoothStep(0.0f, 1.0f, (centre - float(y)) / 160.0f + 0.5f));
            canvas.add(x, y, c, 0.32f * band * streak * above);
        }
    Random random(2026);
    scatterStars(canvas, random, 520, H * 0.72f);
    // Two rows of meadow hills, and glimmers floating over them.
    for (int x = 0; x < slideCanvasWidth; ++x) {
        float fx = float(x);
        float far = 735.0f + 32.0f * std::sin(fx * 0.004f + 1.3f) + 14.0f * std::sin(fx * 0.017f);
        float near = 815.0f + 40.0f * std::sin(fx * 0.0031f + 4.0f) + 12.0f * std::sin(fx * 0.021f + 2.0f);
        for (int y = int(far); y < slideCanvasHeight; ++y)
            canvas.blend(x, y, {0.08f, 0.07f, 0.16f, 1}, std::clamp(float(y) - far, 0.0f, 1.0f));
        for (int y = int(near); y < slideCanvasHeight; ++y)
            canvas.blend(x, y, {0.03f, 0.035f, 0.07f, 1}, std::clamp(float(y) - near, 0.0f, 1.0f));
    }
    for (int i = 0; i < 70; ++i) {
        float x = random.range(0, W), y = random.range(700, 940);
        Colour warm = mixColour({1.0f, 0.85f, 0.45f, 1}, {0.7f, 1.0f, 0.6f, 1}, random.uniform());
        addGlow(canvas, x, y, random.range(3, 9), warm, random.range(0.3f, 0.9f));
    }
    glowingText(canvas, painter, FontStyle::SerifBoldItalic, 178.0f, W / 2, 470.0f, "Glimmervandra",
                {1.0f, 0.97f, 0.92f, 1}, {1.0f, 0.55f, 0.85f, 1}, 14, 1.1f);
    glowingText(canvas, painter, FontStyle::SansItalic, 50.0f, W / 2, 560.0f, "a wander through glimmering things",
                {0.88f, 0.84f, 1.0f, 1}, {0.4f, 0.3f, 0.9f, 1}, 8, 0.6f);
    painter.drawCentred(canvas, FontStyle::SansRegular, 36.0f, W / 2, 640.0f, "a real-time demo in five scenes",
                        {0.80f, 0.77f, 0.90f, 1});
    toneMap(canvas);
    // Three moments of the show flash faster than photosensitive viewers
    // can safely watch: name them, and the way to watch without them, before
    // the show starts, on a dark panel that keeps clear of the meter's corner.
    quietMeterCorner(canvas);
    const float panelLeft = 90.0f, panelRight = clearRight;
    const float centre = (panelLeft + panelRight) / 2;
    fillRoundedRect(canvas, panelLeft, 688.0f, panelRight, 930.0f, 24.0f, Colour{0.0f, 0.0f, 0.02f, 0.78f});
    painter.drawCentred(canvas, FontStyle::SansBold, 40.0f, centre, 738.0f, "Photosensitivity warning",
                        {1.0f, 0.78f, 0.35f, 1});
    const Colour line{0.95f, 0.93f, 0.98f, 1};
    painter.drawCentred(canvas, FontStyle::SansRegular, 32.0f, centre, 786.0f,
                        "Flashing lights: a red strobe at 0:30 for 2 seconds,", line);
    painter.drawCentred(canvas, FontStyle::SansRegular, 32.0f, centre, 830.0f,
                        "the scroller 1:30 to 2:15 and the tunnel 2:25 to 2:50.", line);
    painter.drawCentred(canvas, FontStyle::SansBold, 32.0f, centre, 880.0f,
                        "To watch without them: glimmervandra --gentle", {1.0f, 0.9f, 0.7f, 1});
    return canvas;
}

// Before the flower: a meadow at golden hour and one flower in it.
Canvas paintMeadowCard(TextPainter& painter) {
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{});
    fillVertical(canvas, {0.16f, 0.36f, 0.55f, 1}, {0.98f, 0.78f, 0.48f, 1});
    addGlow(canvas, 980, 430, 260, {1.0f, 0.75f, 0.35f, 1}, 0.55f);
    addGlow(canvas, 980, 430, 70, {1.0f, 0.95f, 0.8f, 1}, 0.9f);
    Random random(7);
    // Rolling ground, then grass blades in front of it.
    for (int x = 0; x < slideCanvasWidth; ++x) {
        float ground = 500.0f + 25.0f * std::sin(float(x) * 0.005f + 0.4f);
        for (int y = int(ground); y < slideCanvasHeight; ++y) {
            float depth = (float(y) - ground) / (H - ground);
            float n = tiledFbm(float(x) / 40.0f, float(y) / 12.0f, 1 << 12, 3, 5);
            Colour c = mixColour({0.36f, 0.52f, 0.18f, 1}, {0.10f, 0.26f, 0.06f, 1}, depth);
            canvas.blend(x, y, scaleColour(c, 0.8f + 0.4f * n), std::clamp(float(y) - ground, 0.0f, 1.0f));
        }
    }
    for (int i = 0; i < 2600; ++i) {
        float x = random.range(-20, W + 20), y = random.range(510, H + 20);
        float depth = (y - 500.0f) / (H - 500.0f);
        float length = (12.0f + 60.0f * depth) * random.range(0.6f, 1.3f);
        float lean = random.range(-0.35f, 0.35f);
        Colour c = hsvColour(random.range(0.2f, 0.3f), random.range(0.5f, 0.8f),
                             random.range(0.25f, 0.65f) * (1.1f - 0.5f * depth));
        fillCapsule(canvas, {x, y}, {x + lean * length, y - length}, 0.8f + 1.4f * depth, c);
    }
    // The flower: stem, two leaves, petals round a golden centre.
    Point2 base{330, 980}, head{360, 420};
    for (int s = 0; s < 40; ++s) {
        float t0 = float(s) / 40.0f, t1 = float(s + 1) / 40.0f;
        auto at = [&](float t) {
            return Point2{base.x + (head.x - base.x) * t + 30.0f * std::sin(t * pi), base.y + (head.y - base.y) * t};
        };
        fillCapsule(canvas, at(t0), at(t1), 9.0f - 3.0f * t0, {0.18f, 0.42f, 0.12f, 1});
    }
    for (int side = -1; side <= 1; side += 2) {
        std::vector<Point2> leaf;
        for (int k = 0; k <= 20; ++k) {
            float t = float(k) / 20.0f;
            leaf.push_back({352.0f + side * 150.0f * t, 760.0f - 90.0f * t - 40.0f * std::sin(t * pi)});
        }
        for (int k = 20; k >= 0; --k) {
            float t = float(k) / 20.0f;
            leaf.push_back({352.0f + side * 150.0f * t, 760.0f - 90.0f * t + 22.0f * std::sin(t * pi)});
        }
        // The leaf outline is not convex: fill it as a fan of thin quads.
        for (int k = 0; k < 20; ++k)
            fillConvexPolygon(canvas,
                              {leaf[size_t(k)], leaf[size_t(k + 1)], leaf[size_t(40 - k)], leaf[size_t(41 - k)]},
                              {0.22f, 0.50f, 0.14f, 1});
    }
    for (int p = 0; p < 12; ++p) {
        float a = float(p) / 12.0f * 2.0f * pi;
        Point2 tip{head.x + 120.0f * std::cos(a), head.y + 100.0f * std::sin(a)};
        fillCapsule(canvas, head, tip, 26.0f,
                    mixColour({0.93f, 0.42f, 0.75f, 1}, {1.0f, 0.7f, 0.9f, 1}, float(p % 2) * 0.5f));
    }
    fillDisc(canvas, head.x, head.y, 44.0f, {0.98f, 0.76f, 0.18f, 1});
    addGlow(canvas, head.x - 12, head.y - 12, 20, {1, 1, 0.8f, 1}, 0.4f);
    drawCaption(canvas, painter, "I", "The Meadow",
                "A daisy turns on its stem above a field that breathes: rings of grass roll out from its "
                "roots, the sky turns through its colours, and twice the flower looks you in the eye. When "
                "the music strikes, the sky flares.",
                {1.0f, 0.62f, 0.85f, 1});
    toneMap(canvas);
    return canvas;
}

// Before the cube and pyramid: the scene as it looks, drawn by the demo's
// own scene code. Three moments five seconds apart (pyramid, cube, pyramid)
// stand side by side on the scene's own pale lilac, which is also the
// background of every rendered frame, so the frames join without seams.
Canvas paintSolidCard(TextPainter& painter) {
    // Rendered at two and a half times the size they are shown and averaged
    // down, for smooth edges. The scene's spin is 33 degrees a second; the angles are
    // moments of that spin, chosen where each solid shows its shape.
    const int renderWidth = 1440, renderHeight = 1080;
    const std::vector<SolidMoment> moments = {{62.0, 150.0f}, {67.0, 30.0f}, {72.0, 315.0f}};
    std::vector<Canvas> frames;
    std::string error;
    if (!renderSolidFrames(renderWidth, renderHeight, moments, frames, error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return Canvas();
    }
    const Colour lilac{0.9f, 0.8f, 1.0f, 1};
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, lilac);
    const float centres[3] = {250.0f, 620.0f, 990.0f};
    const float middleY = 270.0f;
    for (size_t k = 0; k < frames.size(); ++k) {
        Canvas small = resampleCanvas(frames[k], renderWidth * 2 / 5, renderHeight * 2 / 5);
        // Only the solid is copied: pixels that differ from the clear colour.
        for (int y = 0; y < small.height; ++y)
            for (int x = 0; x < small.width; ++x) {
                Colour c = small.get(x, y);
                float away = std::fabs(c.r - lilac.r) + std::fabs(c.g - lilac.g) + std::fabs(c.b - lilac.b);
                if (away < 0.01f) continue;
                int cx = int(centres[k]) + x - small.width / 2, cy = int(middleY) + y - small.height / 2;
                if (cx >= 0 && cx < slideCanvasWidth && cy >= 0 && cy < slideCanvasHeight) canvas.set(cx, cy, c);
            }
    }
    // Five seconds between each: small marks on the way from one to the next.
    const Colour mark{0.55f, 0.42f, 0.75f, 1};
    for (int gap = 0; gap < 2; ++gap) {
        float x = (centres[gap] + centres[gap + 1]) / 2;
        painter.drawCentred(canvas, FontStyle::SansBold, 40.0f, x, middleY + 14.0f, "\xE2\x86\x92", mark);
        painter.drawCentred(canvas, FontStyle::SansRegular, 30.0f, x, middleY + 60.0f, "5 s", mark);
    }
    drawCaption(canvas, painter, "II", "Plain & Lit",
                "One grey solid under a single light, on pale lilac. It spins on all three axes at "
                "once, and every five seconds the pyramid becomes a cube, then a pyramid again.",
                {0.62f, 0.45f, 0.95f, 1});
    return canvas;
}

// Before the scroller: copper bars, a star field and a sine-wave greeting,
// as the 16-bit machines did it.
Canvas paintScrollerCard(TextPainter& painter) {
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{0, 0, 0, 1});
    Random random(1987);
    for (int i = 0; i < 160; ++i) {  // horizontal star streaks
        float x = random.range(0, W), y = random.range(0, H * 0.55f);
        float length = random.range(4, 30);
        float k = random.range(0.3f, 1.0f);
        for (int d = 0; d < int(length); ++d)
            canvas.add(int(x) - d, int(y), {0.7f, 0.8f, 1.0f, 1}, k * (1.0f - float(d) / length));
    }
    // Copper bars: each a band of one hue, bright in the middle.
    const int bars = 7;
    for (int b = 0; b < bars; ++b) {
        float centre = 60.0f + float(b) * 42.0f + 22.0f * std::sin(float(b) * 1.3f);
        Colour hue = hsvColour(float(b) / float(bars), 0.85f, 1.0f);
        for (int y = int(centre) - 20; y <= int(centre) + 20; ++y) {
            float t = 1.0f - std::fabs(float(y) - centre) / 20.0f;
            for (int x = 0; x < slideCanvasWidth; ++x) {
                Colour c = mixColour(scaleColour(hue, t), {1, 1, 1, 1}, std::pow(t, 6.0f) * 0.6f);
                canvas.blend(x, y, c, t > 0.0f ? 1.0f : 0.0f);
            }
        }
    }
    // A perspective checkerboard floor in the lower half.
    const float horizon = 520.0f;
    for (int y = int(horizon); y < slideCanvasHeight; ++y)
        for (int x = 0; x < slideCanvasWidth; ++x) {
            int hits = 0;
            for (int s = 0; s < 4; ++s) {
                float sy = float(y) + (float(s / 2) + 0.5f) / 2.0f, sx = float(x) + (float(s % 2) + 0.5f) / 2.0f;
                float z = 9000.0f / (sy - horizon + 1.0f);
                float u = (sx - W / 2) * z / 600.0f;
                hits += (int(std::floor(u)) + int(std::floor(z / 25.0f))) & 1;
            }
            float fade = smoothStep(horizon, horizon + 200.0f, float(y));
            Colour c = mixColour({0.10f, 0.05f, 0.35f, 1}, {0.55f, 0.25f, 0.85f, 1}, float(hits) / 4.0f);
            canvas.set(x, y, scaleColour(c, 0.25f + 0.75f * fade));
        }
    // The greeting, letter by letter along a sine wave.
    const std::string greeting = "HELLO 16-BIT WORLD!";
    float size = 64.0f;
    float total = painter.measure(FontStyle::MonoBold, size, greeting);
    float x = W / 2 - total / 2;
    for (size_t i = 0; i < greeting.size(); ++i) {
        std::string letter(1, greeting[i]);
        float y = 420.0f + 34.0f * std::sin(float(i) * 0.55f);
        Colour c = hsvColour(float(i) / float(greeting.size()) * 0.8f, 0.6f, 1.0f);
        painter.draw(canvas, FontStyle::MonoBold, size, x + 4, y + 4, letter, {0, 0, 0, 0.8f});
        painter.draw(canvas, FontStyle::MonoBold, size, x, y, letter, c);
        x += painter.measure(FontStyle::MonoBold, size, letter);
    }
    drawCaption(canvas, painter, "III", "The Scroller",
                "For the 16-bit machines, and for everyone who ever typed a greeting into a sine wave. "
                "Now the letters ride it in three dimensions, lit from within.",
                {0.95f, 0.8f, 0.3f, 1});
    return canvas;
}

// The tunnel's cube as it really looks: a cube seen from a corner, each of
// its three faces wearing the demo's own fractal texture from `inset` to
// 1 - inset in both directions, as the scene maps it, blended by the
// texture's alpha; the faces shaded as the light at the eye would.
void paintFractalCube(Canvas& canvas, const TextureImage& fractal, Point2 centre, float size, float inset) {
    auto texel = [&](float s, float t) {
        // GL_REPEAT and the nearest texel (the cube's texture is magnified
        // without much filtering at this size).
        int x = int(std::floor((s - std::floor(s)) * float(fractal.width))) % fractal.width;
        int y = int(std::floor((t - std::floor(t)) * float(fractal.height))) % fractal.height;
        const uint8_t* p = &fractal.pixels[(size_t(y) * fractal.width + size_t(x)) * 4];
        return Colour{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
    };
    // Corner-on: the top face a rhombus, the two side faces below it.
    const float c30 = std::cos(pi / 6.0f) * size, s30 = std::sin(pi / 6.0f) * size;
    const Point2 top{centre.x, centre.y - size}, left{centre.x - c30, centre.y - s30},
        right{centre.x + c30, centre.y - s30}, middle = centre;
    struct Face {
        Point2 origin, a, b;
        float shade;
    };
    const Face faces[3] = {
        {left, {middle.x - left.x, middle.y - left.y}, {top.x - left.x, top.y - left.y}, 1.0f},
        {{left.x, left.y}, {middle.x - left.x, middle.y - left.y}, {0.0f, size}, 0.82f},
        {middle, {right.x - middle.x, right.y - middle.y}, {0.0f, size}, 0.66f},
    };
    const float j = 1.0f - inset;
    for (const Face& face : faces) {
        const float det = face.a.x * face.b.y - face.a.y * face.b.x;
        const float xs[4] = {face.origin.x, face.origin.x + face.a.x, face.origin.x + face.b.x,
                             face.origin.x + face.a.x + face.b.x};
        const float ys[4] = {face.origin.y, face.origin.y + face.a.y, face.origin.y + face.b.y,
                             face.origin.y + face.a.y + face.b.y};
        const int x0 = int(*std::min_element(xs, xs + 4)), x1 = int(*std::max_element(xs, xs + 4)) + 1;
        const int y0 = int(*std::min_element(ys, ys + 4)), y1 = int(*std::max_element(ys, ys + 4)) + 1;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                // 2x2 samples a pixel for smooth edges.
                Colour sum{0, 0, 0, 0};
                for (int k = 0; k < 4; ++k) {
                    float px = float(x) + 0.25f + 0.5f * float(k % 2) - face.origin.x;
                    float py = float(y) + 0.25f + 0.5f * float(k / 2) - face.origin.y;
                    float alpha = (px * face.b.y - py * face.b.x) / det;
                    float beta = (face.a.x * py - face.a.y * px) / det;
                    if (alpha < 0 || alpha > 1 || beta < 0 || beta > 1) continue;
                    Colour c = texel(inset + (j - inset) * alpha, inset + (j - inset) * beta);
                    sum.r += c.r * c.a * face.shade;
                    sum.g += c.g * c.a * face.shade;
                    sum.b += c.b * c.a * face.shade;
                    sum.a += c.a;
                }
                if (sum.a <= 0.0f) continue;
                Colour c{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, 1};
                canvas.blend(x, y, c, sum.a / 4.0f);
            }
    }
}

// Before the tunnel: the corridor, dimmed for the card, and the cube in
// three moments of its five-second cycle, painted with the very texture the
// cube wears (the demo's own fractal): a solid pale cube, then the fractal
// repeated over its faces as see-through islands, then more and smaller.
Canvas paintFractalCard(TextPainter& painter) {
    TextureImage fractal;
    if (!buildFractalTexture(fractal)) return Canvas();

    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{});
    // Floor and ceiling meeting at the horizon, checkered in the scene's
    // yellow and blue, darkened so that the cubes stand out.
    const float horizon = 290.0f;
    const Colour yellow{0.26f, 0.24f, 0.05f, 1}, blue{0.03f, 0.04f, 0.22f, 1}, far{0.07f, 0.06f, 0.12f, 1};
    for (int y = 0; y < slideCanvasHeight; ++y)
        for (int x = 0; x < slideCanvasWidth; ++x) {
            float dy = std::fabs(float(y) + 0.5f - horizon);
            float depth = 300.0f / std::max(dy, 1.0f);
            float across = (float(x) + 0.5f - W / 2) / std::max(dy, 1.0f) * 1.2f;
            bool odd = (int(std::floor(depth)) + int(std::floor(across))) % 2 != 0;
            Colour c = odd ? yellow : blue;
            // Far away the squares shrink below a pixel: they fade into one
            // dark tone before they would shimmer.
            canvas.set(x, y, mixColour(c, far, std::clamp(depth / 5.0f, 0.0f, 1.0f)));
        }
    const float insets[3] = {0.5f, 1.5f, 2.5f};
    const float centres[3] = {250.0f, 620.0f, 990.0f};
    for (int k = 0; k < 3; ++k) {
        paintFractalCube(canvas, fractal, {centres[k], horizon + 20.0f}, 120.0f, insets[k]);
    }
    const Colour mark{0.95f, 0.80f, 0.90f, 1};
    const char* times[2] = {"1\xC2\xBC s", "1\xC2\xBC s"};
    for (int gap = 0; gap < 2; ++gap) {
        float x = (centres[gap] + centres[gap + 1]) / 2;
        painter.drawCentred(canvas, FontStyle::SansBold, 40.0f, x, horizon + 14.0f, "\xE2\x86\x92", mark);
        painter.drawCentred(canvas, FontStyle::SansRegular, 30.0f, x, horizon + 60.0f, times[gap], mark);
    }
    drawCaption(canvas, painter, "IV", "The Tunnel",
                "A pale pink cube tumbles down a yellow and blue checkered corridor. Every five seconds "
                "its fractal skin spreads into a swarm of see-through islands, then closes into a solid "
                "cube again.",
                {0.75f, 0.5f, 1.0f, 1});
    drawFlashWarning(canvas, painter, "Flashing lights next: the tunnel, 2:25 to 2:50 (calm with --gentle).");
    return canvas;
}

// One figure as a few round limbs, for the morph card: joints in canvas
// pixels, head, torso, arms and legs.
void drawFigure(Canvas& canvas, const std::vector<Point2>& joints, const Colour& colour) {
    // 0 head, 1 neck, 2 pelvis, 3/4 hands, 5/6 elbows, 7/8 knees, 9/10 feet
    fillCapsule(canvas, joints[1], joints[2], 34, colour);
    for (int side = 0; side < 2; ++side) {
        fillCapsule(canvas, joints[1], joints[size_t(5 + side)], 15, colour);
        fillCapsule(canvas, joints[size_t(5 + side)], joints[size_t(3 + side)], 14, colour);
        fillCapsule(canvas, joints[2], joints[size_t(7 + side)], 20, colour);
        fillCapsule(canvas, joints[size_t(7 + side)], joints[size_t(9 + side)], 17, colour);
    }
    fillDisc(canvas, joints[0].x, joints[0].y, 32, colour);
}

// Before the morph: the figure twice under a spotlight, tall and slumped.
Canvas paintMorphCard(TextPainter& painter) {
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{});
    fillVertical(canvas, {0.05f, 0.03f, 0.04f, 1}, {0.14f, 0.08f, 0.06f, 1});
    for (int y = 0; y < slideCanvasHeight; ++y)  // spotlight cone
        for (int x = 0; x < slideCanvasWidth; ++x) {
            float spread = 60.0f + float(y) * 0.42f;
            float d = std::fabs(float(x) - W / 2) / spread;
            canvas.add(x, y, {1.0f, 0.78f, 0.5f, 1}, 0.16f * std::exp(-d * d * 2.0f));
        }
    addGlow(canvas, W / 2, 520, 240, {1.0f, 0.7f, 0.4f, 1}, 0.22f);
    Colour wood{0.82f, 0.6f, 0.38f, 1};
    std::vector<Point2> tall = {{470, 165}, {470, 215}, {470, 345}, {400, 120}, {540, 120}, {425, 185},
                                {515, 185}, {455, 430}, {485, 430}, {450, 515}, {490, 515}};
    std::vector<Point2> slumped = {{872, 296}, {838, 258}, {815, 372}, {858, 392}, {874, 388}, {846, 322},
                                   {862, 320}, {842, 446}, {858, 446}, {815, 515}, {835, 515}};
    drawFigure(canvas, tall, wood);
    drawFigure(canvas, slumped, scaleColour(wood, 0.85f));
    for (int k = 0; k < 3; ++k)  // a little arrow of dots from one pose to the other
        addGlow(canvas, 610.0f + float(k) * 32.0f, 330.0f, 7, {1.0f, 0.85f, 0.6f, 1}, 0.9f);
    addSparkle(canvas, 1040, 210, 5.0f, {1.0f, 0.9f, 0.7f, 1});
    addGlow(canvas, 1040, 210, 40, {1.0f, 0.75f, 0.4f, 1}, 0.5f);
    drawCaption(canvas, painter, "V", "The Morph",
                "One wooden figure, two moods. It stands tall, it slumps, it stands tall again, "
                "turning in the dark while a small light circles it.",
                {1.0f, 0.72f, 0.4f, 1});
    toneMap(canvas);
    return canvas;
}

Canvas paintCredits(TextPainter& painter) {
    Canvas canvas(slideCanvasWidth, slideCanvasHeight, Colour{});
    fillVertical(canvas, {0.03f, 0.02f, 0.08f, 1}, {0.10f, 0.04f, 0.14f, 1});
    Random random(99);
    scatterStars(canvas, random, 260, H);
    quietMeterCorner(canvas);
    // Everything stands in a column left of the meter's corner.
    const float panelLeft = 60.0f, panelRight = clearRight;
    const float centre = (panelLeft + panelRight) / 2;
    glowingText(canvas, painter, FontStyle::SerifBoldItalic, 110.0f, centre, 150.0f, "Glimmervandra",
                {1.0f, 0.97f, 0.92f, 1}, {1.0f, 0.55f, 0.85f, 1}, 10, 0.9f);
    const Colour heading{1.0f, 0.72f, 0.88f, 1}, body{0.92f, 0.92f, 0.96f, 1};
    const std::vector<std::pair<std::string, std::string>> roles = {{"Code", "C++17 and OpenGL 1.1"},
                                                                    {"Music", "composed and synthesised in code"},
                                                                    {"Pictures", "painted by a program at build time"},
                                                                    {"Models", "flower and figure, built from code"}};
    const std::vector<std::pair<std::string, std::string>> libraries = {{"SDL2", "window, keyboard and sound output"},
                                                                        {"libopenmpt", "plays the tracker module"},
                                                                        {"FreeType", "draws the letters"},
                                                                        {"fontconfig", "finds the fonts"},
                                                                        {"Mesa", "OpenGL, GLU and EGL"}};
    // The largest size up to 40 at which every line fits its column.
    const float nameX = panelLeft + 50.0f, textX = panelLeft + 300.0f, right = panelRight - 40.0f;
    float size = 40.0f;
    for (bool fits = false; !fits && size > 24.0f;) {
        fits = true;
        for (const auto* list : {&roles, &libraries})
            for (const auto& entry : *list)
                fits = fits && textX + painter.measure(FontStyle::SansRegular, size, entry.second) <= right;
        if (!fits) size -= 1.0f;
    }
    const float lineGap = size * 1.5f;
    const float panelTop = 200.0f;
    // Down to just under the last line's baseline.
    const float panelBottom = panelTop + 200.0f + lineGap * float(roles.size() + libraries.size() - 1);
    fillRoundedRect(canvas, panelLeft, panelTop, panelRight, panelBottom, 28, {0.0f, 0.0f, 0.03f, 0.55f});
    float y = panelTop + 70.0f;
    auto block = [&](const std::vector<std::pair<std::string, std::string>>& list) {
        for (const auto& entry : list) {
            painter.draw(canvas, FontStyle::SansBold, size, nameX, y, entry.first, heading);
            painter.draw(canvas, FontStyle::SansRegular, size, textX, y, entry.second, body);
            y += lineGap;
        }
    };
    block(roles);
    y += 30.0f;
    painter.drawCentred(canvas, FontStyle::SansItalic, 40.0f, centre, y, "standing on the shoulders of",
                        {0.8f, 0.78f, 0.95f, 1});
    y += 70.0f;
    block(libraries);
    glowingText(canvas, painter, FontStyle::SerifItalic, 52.0f, centre, 935.0f, "Thank you for watching.",
                {1.0f, 0.95f, 0.85f, 1}, {1.0f, 0.6f, 0.4f, 1}, 8, 0.5f);
    toneMap(canvas);
    return canvas;
}

Canvas paintSlideCanvas(const std::string& name, TextPainter& painter) {
    if (name == dataFileName(titlePicturePath)) return paintTitle(painter);
    if (name == dataFileName(meadowCardPicturePath)) return paintMeadowCard(painter);
    if (name == dataFileName(solidCardPicturePath)) return paintSolidCard(painter);
    if (name == dataFileName(scrollerCardPicturePath)) return paintScrollerCard(painter);
    if (name == dataFileName(fractalCardPicturePath)) return paintFractalCard(painter);
    if (name == dataFileName(morphCardPicturePath)) return paintMorphCard(painter);
    if (name == dataFileName(creditsPicturePath)) return paintCredits(painter);
    return Canvas();
}

}  // namespace

const std::vector<PictureFile>& pictureFiles() {
    static const std::vector<PictureFile> files = {
        {dataFileName(grassPicturePath), 256, 256, 24, false},
        {dataFileName(lightsPicturePath), 256, 256, 24, false},
        {dataFileName(lightMarkerPicturePath), 128, 128, 32, true},
        {dataFileName(titlePicturePath), 1024, 512, 24, false},
        {dataFileName(meadowCardPicturePath), 1024, 512, 24, true},
        {dataFileName(solidCardPicturePath), 1024, 512, 24, false},
        {dataFileName(scrollerCardPicturePath), 1024, 512, 24, true},
        {dataFileName(fractalCardPicturePath), 1024, 512, 24, false},
        {dataFileName(morphCardPicturePath), 1024, 512, 32, true},
        {dataFileName(creditsPicturePath), 1024, 512, 24, true},
    };
    return files;
}

TgaPicture paintPicture(const PictureFile& file, TextPainter& painter) {
    Canvas canvas;
    if (file.name == dataFileName(grassPicturePath))
        canvas = paintGrass(file.width);
    else if (file.name == dataFileName(lightsPicturePath))
        canvas = paintLights(file.width);
    else if (file.name == dataFileName(lightMarkerPicturePath))
        canvas = paintLightMarker(file.width);
    else if (painter.ready()) {
        // Slides: painted at 4:3 and squeezed into the power-of-two picture,
        // which the slide quad stretches back to 4:3 on the screen.
        canvas = paintSlideCanvas(file.name, painter);
        if (canvas.width) canvas = resampleCanvas(canvas, file.width, file.height);
    }
    if (canvas.width != file.width || canvas.height != file.height) return TgaPicture();
    // Run-length encoded pictures keep flat areas flat (no dither) so they pack.
    return canvasToTga(canvas, file.bitsPerPixel, !file.runLengthEncoded);
}
