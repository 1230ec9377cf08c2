// SPDX-License-Identifier: MIT
#include "platform/outline_font.h"

#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>

namespace {

struct Point2 {
    double x, y;
};
using Contour = std::vector<Point2>;

// The face stays open between calls: the scroller builds its font once per
// run, but tests and the benchmark build glyph after glyph, and reopening the
// file each time would dominate the cost.
struct OpenFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    int index = -1;

    ~OpenFace() { close(); }
    void close() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
        face = nullptr;
        library = nullptr;
        file.clear();
        index = -1;
    }
};
OpenFace openFace;

// Returns the face, or null with a FreeType error code in error.
FT_Face faceFor(const std::string& file, int index, FT_Error& error) {
    error = 0;
    if (openFace.face && openFace.file == file && openFace.index == index) return openFace.face;
    openFace.close();
    error = FT_Init_FreeType(&openFace.library);
    if (error) {
        openFace.library = nullptr;
        return nullptr;
    }
    error = FT_New_Face(openFace.library, file.c_str(), index, &openFace.face);
    if (error || !FT_IS_SCALABLE(openFace.face)) {
        if (!error) error = FT_Err_Invalid_File_Format;
        openFace.close();
        return nullptr;
    }
    // Codes are looked up as Unicode characters (after the code-page step).
    FT_Select_Charmap(openFace.face, FT_ENCODING_UNICODE);
    openFace.file = file;
    openFace.index = index;
    return openFace.face;
}

// ---- Outline to polygons ----------------------------------------------

struct FlattenState {
    std::vector<Contour> contours;
    double scale;      // font units to em
    double deviation;  // em
    Point2 pen;
};

Point2 toEm(const FT_Vector* v, const FlattenState& s) { return {v->x * s.scale, v->y * s.scale}; }

double distanceToChord(Point2 p, Point2 a, Point2 b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0) return std::hypot(p.x - a.x, p.y - a.y);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

Point2 midpoint(Point2 a, Point2 b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }

// A curve is replaced by its control polygon once the control points lie
// within the deviation of the chord; otherwise it is halved (de Casteljau)
// and each half is treated alike. With a coarse deviation the outline's own
// on-curve and control points are kept unchanged.
constexpr int maxCurveDepth = 16;

void flattenConic(FlattenState& s, Point2 p0, Point2 c, Point2 p2, int depth) {
    if (depth >= maxCurveDepth || distanceToChord(c, p0, p2) <= s.deviation) {
        s.contours.back().push_back(c);
        s.contours.back().push_back(p2);
        return;
    }
    Point2 a = midpoint(p0, c), b = midpoint(c, p2), m = midpoint(a, b);
    flattenConic(s, p0, a, m, depth + 1);
    flattenConic(s, m, b, p2, depth + 1);
}

void flattenCubic(FlattenState& s, Point2 p0, Point2 c1, Point2 c2, Point2 p3, int depth) {
    if (depth >= maxCurveDepth ||
        (distanceToChord(c1, p0, p3) <= s.deviation && distanceToChord(c2, p0, p3) <= s.deviation)) {
        s.contours.back().push_back(c1);
        s.contours.back().push_back(c2);
        s.contours.back().push_back(p3);
        return;
    }
    Point2 a = midpoint(p0, c1), b = midpoint(c1, c2), c = midpoint(c2, p3);
    Point2 d = midpoint(a, b), e = midpoint(b, c), m = midpoint(d, e);
    flattenCubic(s, p0, a, d, m, depth + 1);
    flattenCubic(s, m, e, c, p3, depth + 1);
}

int onMoveTo(const FT_Vector* to, void* user) {
    auto& s = *static_cast<FlattenState*>(user);
    s.pen = toEm(to, s);
    s.contours.push_back({s.pen});
    return 0;
}

int onLineTo(const FT_Vector* to, void* user) {
    auto& s = *static_cast<FlattenState*>(user);
    s.pen = toEm(to, s);
    s.contours.back().push_back(s.pen);
    return 0;
}

int onConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto& s = *static_cast<FlattenState*>(user);
    Point2 end = toEm(to, s);
    flattenConic(s, s.pen, toEm(control, s), end, 0);
    s.pen = end;
    return 0;
}

int onCubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
    auto& s = *static_cast<FlattenState*>(user);
    Point2 end = toEm(to, s);
    flattenCubic(s, s.pen, toEm(control1, s), toEm(control2, s), end, 0);
    s.pen = end;
    return 0;
}

// Drops repeated points (a wall between them would have no direction) and
// the closing point that repeats the first; contours left with fewer than
// three points enclose nothing.
void cleanContours(std::vector<Contour>& contours) {
    std::vector<Contour> kept;
    for (Contour& contour : contours) {
        Contour clean;
        for (const Point2& p : contour)
            if (clean.empty() || p.x != clean.back().x || p.y != clean.back().y) clean.push_back(p);
        while (clean.size() > 1 && clean.back().x == clean.front().x && clean.back().y == clean.front().y)
            clean.pop_back();
        if (clean.size() >= 3) kept.push_back(std::move(clean));
    }
    contours = std::move(kept);
}

// ---- Tessellation -----------------------------------------------------

struct TessState {
    std::deque<std::array<GLdouble, 3>> vertices;  // stable addresses for GLU
    std::vector<Contour> loops;                    // boundary pass
    std::vector<Point2> triangles;                 // fill pass
    bool failed = false;
};

using TessCallback = void (*)();

void tessBegin(GLenum mode, void* data) {
    auto& s = *static_cast<TessState*>(data);
    if (mode == GL_LINE_LOOP) s.loops.emplace_back();
}

void boundaryVertex(void* vertex, void* data) {
    auto& s = *static_cast<TessState*>(data);
    const GLdouble* v = static_cast<const GLdouble*>(vertex);
    s.loops.back().push_back({v[0], v[1]});
}

void fillVertex(void* vertex, void* data) {
    auto& s = *static_cast<TessState*>(data);
    const GLdouble* v = static_cast<const GLdouble*>(vertex);
    s.triangles.push_back({v[0], v[1]});
}

void tessEnd(void*) {}

// Set only so that the tessellator hands out separate triangles, never fans
// or strips.
void tessEdgeFlag(GLboolean, void*) {}

void tessCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* data) {
    auto& s = *static_cast<TessState*>(data);
    s.vertices.push_back({coords[0], coords[1], coords[2]});
    *out = s.vertices.back().data();
}

void tessError(GLenum, void* data) { static_cast<TessState*>(data)->failed = true; }

GLUtesselator* newTessellator(bool boundaryOnly) {
    GLUtesselator* tess = gluNewTess();
    if (!tess) return nullptr;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, boundaryOnly ? GL_TRUE : GL_FALSE);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(tessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA,
                    reinterpret_cast<TessCallback>(boundaryOnly ? boundaryVertex : fillVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(tessEnd));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(tessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(tessError));
    if (!boundaryOnly) gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TessCallback>(tessEdgeFlag));
    return tess;
}

void feedContours(GLUtesselator* tess, TessState& state, const std::vector<Contour>& contours) {
    gluTessBeginPolygon(tess, &state);
    for (const Contour& contour : contours) {
        gluTessBeginContour(tess);
        for (const Point2& p : contour) {
            state.vertices.push_back({p.x, p.y, 0.0});
            GLdouble* v = state.vertices.back().data();
            gluTessVertex(tess, v, v);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
}

// Two passes with the nonzero rule. The first reduces the outline to the
// boundary of the filled region: overlapping or self-intersecting contours
// become clean loops, outer ones counter-clockwise and holes clockwise. The
// side walls follow those loops, and the second pass fills the same loops,
// so faces and walls share every edge and the letter is a closed solid.
bool tessellate(const std::vector<Contour>& outline, std::vector<Contour>& loops, std::vector<Point2>& triangles) {
    loops.clear();
    triangles.clear();
    if (outline.empty()) return true;

    TessState boundary;
    GLUtesselator* tess = newTessellator(true);
    if (!tess) return false;
    feedContours(tess, boundary, outline);
    gluDeleteTess(tess);
    if (boundary.failed) return false;
    loops = std::move(boundary.loops);
    cleanContours(loops);
    if (loops.empty()) return true;

    TessState fill;
    tess = newTessellator(false);
    if (!tess) return false;
    feedContours(tess, fill, loops);
    gluDeleteTess(tess);
    if (fill.failed || fill.triangles.size() % 3 != 0) return false;
    triangles = std::move(fill.triangles);
    return true;
}

// ---- Solids -----------------------------------------------------------

float toFloat(double v) { return static_cast<float>(v); }

void makeSolid(const std::vector<Contour>& loops, const std::vector<Point2>& triangles, float extrusion,
               GlyphSolid& solid) {
    const float back = -extrusion;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        Point2 a = triangles[t], b = triangles[t + 1], c = triangles[t + 2];
        // Counter-clockwise seen from the front, whatever order GLU chose.
        double area2 = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (area2 < 0.0) std::swap(b, c);
        for (const Point2& p : {a, b, c}) solid.frontTriangles.push_back({toFloat(p.x), toFloat(p.y), 0.0f});
        // The back face is seen from behind: the same triangle, reversed.
        for (const Point2& p : {a, c, b}) solid.backTriangles.push_back({toFloat(p.x), toFloat(p.y), back});
    }
    for (const Contour& loop : loops) {
        std::vector<PointFloat> kept;
        for (size_t i = 0; i < loop.size(); ++i) {
            const Point2& p = loop[i];
            const Point2& q = loop[(i + 1) % loop.size()];
            kept.push_back({toFloat(p.x), toFloat(p.y)});
            // The filled region lies left of the direction of travel on every
            // loop, so the outward normal points to the right.
            double dx = q.x - p.x, dy = q.y - p.y;
            double length = std::sqrt(dx * dx + dy * dy);
            GlyphWall wall;
            wall.normal = {toFloat(dy / length), toFloat(-dx / length), 0.0f};
            wall.corners[0] = {toFloat(p.x), toFloat(p.y), 0.0f};
            wall.corners[1] = {toFloat(p.x), toFloat(p.y), back};
            wall.corners[2] = {toFloat(q.x), toFloat(q.y), back};
            wall.corners[3] = {toFloat(q.x), toFloat(q.y), 0.0f};
            solid.walls.push_back(wall);
        }
        solid.contours.push_back(std::move(kept));
    }
}

GlyphMetricsFloat metricsOf(const std::vector<Contour>& outline, double advance) {
    GlyphMetricsFloat m{};
    m.gmfCellIncX = toFloat(advance);
    m.gmfCellIncY = 0.0f;
    bool any = false;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const Contour& contour : outline)
        for (const Point2& p : contour) {
            if (!any) {
                minX = maxX = p.x;
                minY = maxY = p.y;
                any = true;
            }
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    if (any) {
        m.gmfBlackBoxX = toFloat(maxX - minX);
        m.gmfBlackBoxY = toFloat(maxY - minY);
        m.gmfptGlyphOrigin = {toFloat(minX), toFloat(maxY)};
    }
    return m;
}

bool loadGlyph(FT_Face face, unsigned code, float deviation, float extrusion, GlyphSolid& solid,
               GlyphMetricsFloat& metrics) {
    solid = GlyphSolid{};
    metrics = GlyphMetricsFloat{};
    // A character the font lacks maps to glyph 0, the missing-glyph shape.
    FT_UInt glyph = FT_Get_Char_Index(face, windows1252ToUnicode(static_cast<unsigned char>(code)));
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;

    FlattenState state;
    state.scale = 1.0 / face->units_per_EM;
    state.deviation = deviation;
    state.pen = {0, 0};
    FT_Outline_Funcs funcs{};
    funcs.move_to = onMoveTo;
    funcs.line_to = onLineTo;
    funcs.conic_to = onConicTo;
    funcs.cubic_to = onCubicTo;
    if (FT_Outline_Decompose(&slot->outline, &funcs, &state) != 0) return false;
    cleanContours(state.contours);

    std::vector<Contour> loops;
    std::vector<Point2> triangles;
    if (!tessellate(state.contours, loops, triangles)) return false;
    makeSolid(loops, triangles, extrusion, solid);
    metrics = metricsOf(state.contours, slot->metrics.horiAdvance * state.scale);
    return true;
}

void compileSolid(const GlyphSolid& solid) {
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const GlyphVertex& v : solid.frontTriangles) glVertex3f(v.x, v.y, v.z);
    glNormal3f(0.0f, 0.0f, -1.0f);
    for (const GlyphVertex& v : solid.backTriangles) glVertex3f(v.x, v.y, v.z);
    glEnd();
    glBegin(GL_QUADS);
    for (const GlyphWall& wall : solid.walls) {
        glNormal3f(wall.normal.x, wall.normal.y, wall.normal.z);
        for (const GlyphVertex& v : wall.corners) glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

void zeroMetrics(GlyphMetricsFloat* metrics, unsigned count) {
    if (!metrics) return;
    for (unsigned i = 0; i < count; ++i) metrics[i] = GlyphMetricsFloat{};
}

}  // namespace

unsigned windows1252ToUnicode(unsigned char code) {
    // 0x80..0x9F are the code page's own; everything else is Latin-1.
    static const unsigned short high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (code >= 0x80 && code <= 0x9F) return high[code - 0x80];
    return code;
}

std::string findOutlineFontFile(const char* fontPattern, int& faceIndex) {
    faceIndex = 0;
    if (!fontPattern || !FcInit()) return {};
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(fontPattern));
    if (!pattern) return {};
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return {};
    std::string file;
    FcChar8* path = nullptr;
    FcBool outline = FcFalse;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path &&
        FcPatternGetBool(match, FC_OUTLINE, 0, &outline) == FcResultMatch && outline) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) faceIndex = index;
    }
    FcPatternDestroy(match);
    return file;
}

bool buildGlyphSolid(const std::string& fontFile, int faceIndex, unsigned code, float deviation, float extrusion,
                     GlyphSolid& solid, GlyphMetricsFloat& metrics) {
    solid = GlyphSolid{};
    metrics = GlyphMetricsFloat{};
    FT_Error error = 0;
    FT_Face face = faceFor(fontFile, faceIndex, error);
    if (!face) return false;
    if (loadGlyph(face, code, deviation, extrusion, solid, metrics)) return true;
    solid = GlyphSolid{};
    metrics = GlyphMetricsFloat{};
    return false;
}

bool useFontOutlinesFromFile(const std::string& fontFile, int faceIndex, unsigned first, unsigned count,
                             GLuint listBase, float deviation, float extrusion, GlyphMetricsFloat* metrics) {
    zeroMetrics(metrics, count);
    FT_Error error = 0;
    FT_Face face = faceFor(fontFile, faceIndex, error);
    if (!face) {
        std::fprintf(stderr,
                     "Outline font: cannot read \"%s\" as an outline font (FreeType error %d); "
                     "the letters will not be drawn.\n",
                     fontFile.c_str(), int(error));
        return false;
    }
    GlyphSolid solid;
    GlyphMetricsFloat glyphMetrics{};
    bool allBuilt = true;
    for (unsigned i = 0; i < count; ++i) {
        // A glyph that cannot be read or filled gets an empty list and zero
        // metrics; the others are still built.
        bool built = loadGlyph(face, first + i, deviation, extrusion, solid, glyphMetrics);
        if (!built) {
            solid = GlyphSolid{};
            glyphMetrics = GlyphMetricsFloat{};
            allBuilt = false;
        }
        glNewList(listBase + i, GL_COMPILE);
        compileSolid(solid);
        // Like the platform's lists: the next letter starts where this ends.
        glTranslatef(glyphMetrics.gmfCellIncX, 0.0f, 0.0f);
        glEndList();
        if (metrics) metrics[i] = glyphMetrics;
    }
    return allBuilt;
}

bool useFontOutlines(const char* fontPattern, unsigned first, unsigned count, GLuint listBase, float deviation,
                     float extrusion, GlyphMetricsFloat* metrics) {
    int faceIndex = 0;
    std::string file = findOutlineFontFile(fontPattern, faceIndex);
    if (file.empty()) {
        zeroMetrics(metrics, count);
        std::fprintf(stderr, "Outline font: no outline font matches \"%s\"; the letters will not be drawn.\n",
                     fontPattern ? fontPattern : "");
        return false;
    }
    return useFontOutlinesFromFile(file, faceIndex, first, count, listBase, deviation, extrusion, metrics);
}
