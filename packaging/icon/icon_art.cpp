// SPDX-License-Identifier: MIT
#include "icon_art.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "text.h"

namespace {

// The look, shared by both renderers. Icon units: the unit square, y down.
constexpr float tileInset = 0.0625f;   // transparent margin around the tile
constexpr float tileRadius = 0.19f;    // corner radius of the tile
constexpr float letterHeight = 0.56f;  // of the "G", cap top to bottom of the bowl
const Colour skyTop{0.02f, 0.02f, 0.09f, 1};
const Colour skyMiddle{0.16f, 0.06f, 0.27f, 1};
const Colour skyLow{0.62f, 0.28f, 0.36f, 1};
constexpr float skyMiddleAt = 0.55f;  // of the tile's height
const Colour auroraColour{0.10f, 0.85f, 0.55f, 1};
constexpr float auroraX = 0.40f, auroraY = 0.30f, auroraRadiusX = 0.50f, auroraRadiusY = 0.12f;
constexpr float auroraStrength = 0.45f;
const Colour glowColour{1.0f, 0.55f, 0.85f, 1};
constexpr float glowStrength = 0.9f;
constexpr float glowSigma = 0.022f;
const Colour letterColour{1.0f, 0.97f, 0.92f, 1};
constexpr int curvePieces = 16;
constexpr float svgUnits = 256.0f;

Colour skyAt(float v) {
    float t = std::clamp((v - tileInset) / (1.0f - 2.0f * tileInset), 0.0f, 1.0f);
    return t < skyMiddleAt ? mixColour(skyTop, skyMiddle, t / skyMiddleAt)
                           : mixColour(skyMiddle, skyLow, (t - skyMiddleAt) / (1.0f - skyMiddleAt));
}

// Aurora opacity by elliptical distance r (0 centre, 1 rim): smooth down to
// nothing at the rim. The SVG's radial gradient samples the same curve.
float auroraFalloff(float r) {
    if (r >= 1.0f) return 0.0f;
    float k = 1.0f - r * r;
    return auroraStrength * k * k;
}

// Coverage of the rounded tile at a pixel centre (signed distance, one
// pixel of soft edge).
float tileCoverage(float u, float v, int size) {
    float half = 0.5f - tileInset;
    float qx = std::fabs(u - 0.5f) - (half - tileRadius);
    float qy = std::fabs(v - 0.5f) - (half - tileRadius);
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    float distance = outside + std::min(std::max(qx, qy), 0.0f) - tileRadius;
    return std::clamp(0.5f - distance * float(size), 0.0f, 1.0f);
}

// Nonzero-winding coverage of closed polygons (icon units) on a size x size
// grid: several sample rows per pixel, exact coverage along each row.
std::vector<float> rasterise(const std::vector<std::vector<Point2>>& polygons, int size) {
    constexpr int rowsPerPixel = 5;
    std::vector<float> coverage(size_t(size) * size, 0.0f);
    struct Crossing {
        float x;
        int direction;
    };
    std::vector<Crossing> crossings;
    auto addSpan = [&](float* row, float x0, float x1, float weight) {
        x0 = std::clamp(x0, 0.0f, float(size));
        x1 = std::clamp(x1, 0.0f, float(size));
        if (x1 <= x0) return;
        int first = int(x0), last = int(x1);
        if (first == last) {
            row[first] += (x1 - x0) * weight;
            return;
        }
        row[first] += (float(first + 1) - x0) * weight;
        for (int x = first + 1; x < last; ++x) row[x] += weight;
        if (last < size) row[last] += (x1 - float(last)) * weight;
    };
    for (int py = 0; py < size; ++py) {
        float* row = &coverage[size_t(py) * size];
        for (int s = 0; s < rowsPerPixel; ++s) {
            float y = (float(py) + (float(s) + 0.5f) / rowsPerPixel) / float(size);
            crossings.clear();
            for (const auto& polygon : polygons)
                for (size_t i = 0; i < polygon.size(); ++i) {
                    Point2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                    bool down = a.y <= y && b.y > y, up = b.y <= y && a.y > y;
                    if (!down && !up) continue;
                    float x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
                    crossings.push_back({x * float(size), down ? 1 : -1});
                }
            std::sort(crossings.begin(), crossings.end(),
                      [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
            int winding = 0;
            float start = 0.0f;
            for (const Crossing& c : crossings) {
                int before = winding;
                winding += c.direction;
                if (before == 0 && winding != 0) start = c.x;
                if (before != 0 && winding == 0) addSpan(row, start, c.x, 1.0f / rowsPerPixel);
            }
        }
    }
    for (float& c : coverage) c = std::min(c, 1.0f);
    return coverage;
}

std::string hexColour(const Colour& c) {
    char text[8];
    auto byte = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
    return text;
}

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(v));
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string svgPoint(Point2 p) { return number(p.x * svgUnits) + " " + number(p.y * svgUnits); }

std::string svgPathData(const LetterShape& letter) {
    std::string d;
    for (size_t i = 0; i < letter.steps.size(); ++i) {
        const PathStep& step = letter.steps[i];
        switch (step.kind) {
            case PathStep::Move:
                if (i > 0) d += "Z";
                d += "M" + svgPoint(step.points[0]);
                break;
            case PathStep::Line: d += "L" + svgPoint(step.points[0]); break;
            case PathStep::Quad: d += "Q" + svgPoint(step.points[0]) + " " + svgPoint(step.points[1]); break;
            case PathStep::Cubic:
                d += "C" + svgPoint(step.points[0]) + " " + svgPoint(step.points[1]) + " " + svgPoint(step.points[2]);
                break;
        }
    }
    if (!d.empty()) d += "Z";
    return d;
}

// FreeType's outline walk, recorded as path steps in font units (y up).
int onMove(const FT_Vector* to, void* user) {
    static_cast<LetterShape*>(user)->steps.push_back({PathStep::Move, {{float(to->x), float(to->y)}}});
    return 0;
}
int onLine(const FT_Vector* to, void* user) {
    static_cast<LetterShape*>(user)->steps.push_back({PathStep::Line, {{float(to->x), float(to->y)}}});
    return 0;
}
int onConic(const FT_Vector* control, const FT_Vector* to, void* user) {
    static_cast<LetterShape*>(user)->steps.push_back(
        {PathStep::Quad, {{float(control->x), float(control->y)}, {float(to->x), float(to->y)}}});
    return 0;
}
int onCubic(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<LetterShape*>(user)->steps.push_back(
        {PathStep::Cubic, {{float(c1->x), float(c1->y)}, {float(c2->x), float(c2->y)}, {float(to->x), float(to->y)}}});
    return 0;
}

}  // namespace

std::vector<float> rasteriseLetter(const LetterShape& letter, int size) {
    return rasterise(flattenLetter(letter), size);
}

const std::vector<int>& iconSizes() {
    static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};
    return sizes;
}

std::vector<std::vector<Point2>> flattenLetter(const LetterShape& letter) {
    std::vector<std::vector<Point2>> polygons;
    Point2 at{0, 0};
    for (const PathStep& step : letter.steps) {
        if (step.kind == PathStep::Move) {
            polygons.emplace_back();
            at = step.points[0];
            polygons.back().push_back(at);
            continue;
        }
        if (polygons.empty()) polygons.emplace_back();  // a path must begin with a move; be lenient
        std::vector<Point2>& polygon = polygons.back();
        if (step.kind == PathStep::Line) {
            at = step.points[0];
            polygon.push_back(at);
            continue;
        }
        const Point2 p0 = at;
        for (int i = 1; i <= curvePieces; ++i) {
            float t = float(i) / curvePieces, s = 1.0f - t;
            Point2 p;
            if (step.kind == PathStep::Quad) {
                const Point2 c = step.points[0], e = step.points[1];
                p = {s * s * p0.x + 2 * s * t * c.x + t * t * e.x, s * s * p0.y + 2 * s * t * c.y + t * t * e.y};
            } else {
                const Point2 c1 = step.points[0], c2 = step.points[1], e = step.points[2];
                p = {s * s * s * p0.x + 3 * s * s * t * c1.x + 3 * s * t * t * c2.x + t * t * t * e.x,
                     s * s * s * p0.y + 3 * s * s * t * c1.y + 3 * s * t * t * c2.y + t * t * t * e.y};
            }
            polygon.push_back(p);
        }
        at = polygon.back();
    }
    return polygons;
}

bool loadTitleLetter(LetterShape& letter, std::string& error) {
    const std::string path = findFontFile(FontStyle::SerifBoldItalic);
    if (path.empty()) {
        error = "no Liberation Serif Bold Italic font found (package fonts-liberation2)";
        return false;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "FreeType could not be initialised";
        return false;
    }
    FT_Face face = nullptr;
    LetterShape raw;
    bool ok = false;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        error = "could not read the font " + path;
    } else if (FT_Load_Char(face, 'G', FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0 ||
               face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->outline.n_contours == 0) {
        error = "the font " + path + " has no outline for G";
    } else {
        FT_Outline_Funcs walk{};
        walk.move_to = onMove;
        walk.line_to = onLine;
        walk.conic_to = onConic;
        walk.cubic_to = onCubic;
        ok = FT_Outline_Decompose(&face->glyph->outline, &walk, &raw) == 0 && !raw.steps.empty();
        if (!ok) error = "the outline of G in " + path + " could not be read";
    }
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (!ok) return false;

    // Scale to the letter height and centre on the tile, flipping y.
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (const auto& polygon : flattenLetter(raw))
        for (Point2 p : polygon) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    if (!(maxY > minY)) {
        error = "the outline of G in " + path + " is empty";
        return false;
    }
    const float scale = letterHeight / (maxY - minY);
    const float cx = 0.5f * (minX + maxX), cy = 0.5f * (minY + maxY);
    letter.steps = raw.steps;
    for (PathStep& step : letter.steps)
        for (Point2& p : step.points) p = {0.5f + (p.x - cx) * scale, 0.5f - (p.y - cy) * scale};
    letter.minX = 0.5f - (cx - minX) * scale;
    letter.maxX = 0.5f + (maxX - cx) * scale;
    letter.minY = 0.5f - letterHeight / 2;
    letter.maxY = 0.5f + letterHeight / 2;
    return true;
}

Canvas paintIcon(const LetterShape& letter, int size) {
    // Small icons are painted larger and averaged down, so that the glow's
    // blur has pixels to work with.
    const int master = std::max(size, 256);
    Canvas canvas(master, master, Colour{});
    for (int y = 0; y < master; ++y)
        for (int x = 0; x < master; ++x) {
            float u = (float(x) + 0.5f) / float(master), v = (float(y) + 0.5f) / float(master);
            canvas.set(x, y, skyAt(v));
            float r = std::hypot((u - auroraX) / auroraRadiusX, (v - auroraY) / auroraRadiusY);
            canvas.blend(x, y, auroraColour, auroraFalloff(r));
        }

    const std::vector<float> shape = rasteriseLetter(letter, master);
    Mask glow{master, master, shape};
    // Three box passes of radius r spread like a Gaussian of variance r(r+1).
    const float sigma = glowSigma * float(master);
    blurMask(glow, int(std::lround((std::sqrt(1.0f + 4.0f * sigma * sigma) - 1.0f) / 2.0f)));
    for (int y = 0; y < master; ++y)
        for (int x = 0; x < master; ++x) {
            size_t i = size_t(y) * master + x;
            canvas.blend(x, y, glowColour, glowStrength * glow.value[i]);
            canvas.blend(x, y, letterColour, shape[i]);
        }

    // Alpha last: colour stays defined outside the tile, so averaging down
    // does not darken the rim.
    for (int y = 0; y < master; ++y)
        for (int x = 0; x < master; ++x)
            canvas.rgba[(size_t(y) * master + x) * 4 + 3] =
                tileCoverage((float(x) + 0.5f) / float(master), (float(y) + 0.5f) / float(master), master);
    return master == size ? canvas : resampleCanvas(canvas, size, size);
}

std::string iconSvg(const LetterShape& letter) {
    const float u = svgUnits;
    const std::string tile = "x=\"" + number(tileInset * u) + "\" y=\"" + number(tileInset * u) + "\" width=\"" +
                             number((1 - 2 * tileInset) * u) + "\" height=\"" + number((1 - 2 * tileInset) * u) +
                             "\" rx=\"" + number(tileRadius * u) + "\"";
    const std::string path = svgPathData(letter);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(u) << "\" height=\"" << number(u)
        << "\" viewBox=\"0 0 " << number(u) << " " << number(u) << "\">\n"
        << "  <title>Glimmervandra</title>\n"
        << "  <defs>\n"
        << "    <linearGradient id=\"sky\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"" << number(tileInset * u)
        << "\" x2=\"0\" y2=\"" << number((1 - tileInset) * u) << "\">\n"
        << "      <stop offset=\"0\" stop-color=\"" << hexColour(skyTop) << "\"/>\n"
        << "      <stop offset=\"" << number(skyMiddleAt) << "\" stop-color=\"" << hexColour(skyMiddle) << "\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"" << hexColour(skyLow) << "\"/>\n"
        << "    </linearGradient>\n"
        << "    <radialGradient id=\"aurora\">\n";
    for (int i = 0; i <= 8; ++i) {
        float r = float(i) / 8.0f;
        svg << "      <stop offset=\"" << number(r) << "\" stop-color=\"" << hexColour(auroraColour)
            << "\" stop-opacity=\"" << number(auroraFalloff(r)) << "\"/>\n";
    }
    svg << "    </radialGradient>\n"
        << "    <clipPath id=\"tile\"><rect " << tile << "/></clipPath>\n"
        << "    <filter id=\"glow\" x=\"-50%\" y=\"-50%\" width=\"200%\" height=\"200%\">"
        << "<feGaussianBlur stdDeviation=\"" << number(glowSigma * u) << "\"/></filter>\n"
        << "  </defs>\n"
        << "  <rect " << tile << " fill=\"url(#sky)\"/>\n"
        << "  <ellipse clip-path=\"url(#tile)\" cx=\"" << number(auroraX * u) << "\" cy=\"" << number(auroraY * u)
        << "\" rx=\"" << number(auroraRadiusX * u) << "\" ry=\"" << number(auroraRadiusY * u)
        << "\" fill=\"url(#aurora)\"/>\n"
        << "  <path fill=\"" << hexColour(glowColour) << "\" fill-opacity=\"" << number(glowStrength)
        << "\" filter=\"url(#glow)\" d=\"" << path << "\"/>\n"
        << "  <path fill=\"" << hexColour(letterColour) << "\" d=\"" << path << "\"/>\n"
        << "</svg>\n";
    return svg.str();
}

bool writeIconPng(const std::string& path, const Canvas& canvas, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    std::vector<png_byte> bytes(canvas.rgba.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = png_byte(std::lround(std::clamp(canvas.rgba[i], 0.0f, 1.0f) * 255.0f));
    std::vector<png_bytep> rows(size_t(canvas.height));
    for (int y = 0; y < canvas.height; ++y) rows[size_t(y)] = &bytes[size_t(y) * canvas.width * 4];

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        error = "PNG encoding failed for " + path;
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(canvas.width), png_uint_32(canvas.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        error = "cannot finish writing " + path;
        return false;
    }
    return true;
}
