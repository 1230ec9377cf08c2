// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "platform/headless_gl.h"
#include "platform/outline_font.h"
#include "support/gl_test.h"

namespace {

constexpr float deviation = 0.8f;
constexpr float extrusion = 0.2f;

struct FontFile {
    std::string path;
    int index = 0;
};

const FontFile& arialBold() {
    static FontFile font = [] {
        FontFile f;
        f.path = findOutlineFontFile(outlineFontPattern, f.index);
        return f;
    }();
    return font;
}

struct Glyph {
    GlyphSolid solid;
    GlyphMetricsFloat metrics{};
};

Glyph glyph(unsigned code, float dev = deviation) {
    Glyph g;
    EXPECT_TRUE(buildGlyphSolid(arialBold().path, arialBold().index, code, dev, extrusion, g.solid, g.metrics))
        << "code " << code;
    return g;
}

struct Vec {
    double x, y, z;
};
Vec vec(const GlyphVertex& v) { return {v.x, v.y, v.z}; }
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Every polygon of the solid as a vertex loop with the normal it is drawn with.
struct Face {
    std::vector<Vec> loop;
    Vec normal;
};

std::vector<Face> facesOf(const GlyphSolid& s) {
    std::vector<Face> faces;
    for (size_t i = 0; i + 2 < s.frontTriangles.size(); i += 3)
        faces.push_back(
            {{vec(s.frontTriangles[i]), vec(s.frontTriangles[i + 1]), vec(s.frontTriangles[i + 2])}, {0, 0, 1}});
    for (size_t i = 0; i + 2 < s.backTriangles.size(); i += 3)
        faces.push_back(
            {{vec(s.backTriangles[i]), vec(s.backTriangles[i + 1]), vec(s.backTriangles[i + 2])}, {0, 0, -1}});
    for (const GlyphWall& w : s.walls)
        faces.push_back({{vec(w.corners[0]), vec(w.corners[1]), vec(w.corners[2]), vec(w.corners[3])}, vec(w.normal)});
    return faces;
}

// Twice the area vector of a planar loop (Newell's method).
Vec areaVector(const std::vector<Vec>& loop) {
    Vec sum{0, 0, 0};
    for (size_t i = 0; i < loop.size(); ++i) {
        Vec c = cross(loop[i], loop[(i + 1) % loop.size()]);
        sum = {sum.x + c.x, sum.y + c.y, sum.z + c.z};
    }
    return sum;
}

double trianglesArea(const std::vector<GlyphVertex>& t) {
    double area = 0;
    for (size_t i = 0; i + 2 < t.size(); i += 3) {
        Vec n = cross(sub(vec(t[i + 1]), vec(t[i])), sub(vec(t[i + 2]), vec(t[i])));
        area += std::fabs(n.z) / 2;
    }
    return area;
}

// Volume enclosed by the faces (divergence theorem); exact for a closed,
// consistently oriented surface, and off if any face is missing or flipped.
double enclosedVolume(const std::vector<Face>& faces) {
    double volume = 0;
    for (const Face& f : faces)
        for (size_t i = 1; i + 1 < f.loop.size(); ++i) volume += dot(f.loop[0], cross(f.loop[i], f.loop[i + 1])) / 6.0;
    return volume;
}

using Key = std::tuple<long, long, long>;
Key keyOf(Vec v) { return {std::lround(v.x * 1e6), std::lround(v.y * 1e6), std::lround(v.z * 1e6)}; }

// Counts directed edges that have no partner running the other way: zero
// for a watertight surface whose faces all wind the same way.
int unmatchedEdges(const std::vector<Face>& faces) {
    std::map<std::pair<Key, Key>, int> edges;
    for (const Face& f : faces)
        for (size_t i = 0; i < f.loop.size(); ++i) {
            Key a = keyOf(f.loop[i]), b = keyOf(f.loop[(i + 1) % f.loop.size()]);
            if (a == b) continue;
            ++edges[{a, b}];
        }
    int unmatched = 0;
    for (const auto& [edge, n] : edges) {
        auto it = edges.find({edge.second, edge.first});
        int reverse = it == edges.end() ? 0 : it->second;
        if (n != reverse) unmatched += n > reverse ? n - reverse : 0;
    }
    return unmatched;
}

}  // namespace

TEST(OutlineFont, ArialBoldResolvesToAnOutlineFontFile) {
    ASSERT_FALSE(arialBold().path.empty());
    EXPECT_NE(arialBold().path.find("Bold"), std::string::npos) << arialBold().path;
}

// Every glyph of the printable range (plain and Latin-1) must be a solid the
// lighting and depth test can rely on: faces and walls meet edge to edge, all
// wind outwards, front and back cover the same area, volume = area x depth.
TEST(OutlineFont, PrintableGlyphsAreClosedOutwardFacingSolids) {
    ASSERT_FALSE(arialBold().path.empty());
    std::vector<unsigned> codes;
    for (unsigned c = 32; c < 127; ++c) codes.push_back(c);
    for (unsigned c = 160; c < 255; ++c) codes.push_back(c);
    for (unsigned code : codes) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        Glyph g = glyph(code);
        const GlyphSolid& s = g.solid;
        EXPECT_EQ(s.frontTriangles.size(), s.backTriangles.size());
        for (const GlyphVertex& v : s.frontTriangles) ASSERT_EQ(v.z, 0.0f);
        for (const GlyphVertex& v : s.backTriangles) ASSERT_EQ(v.z, -extrusion);

        double front = trianglesArea(s.frontTriangles);
        double back = trianglesArea(s.backTriangles);
        EXPECT_NEAR(front, back, 1e-6);
        if (code == 32 || code == 160) {
            EXPECT_EQ(front, 0.0);
            EXPECT_TRUE(s.walls.empty());
            continue;
        }
        EXPECT_GT(front, 0.0);

        std::vector<Face> faces = facesOf(s);
        EXPECT_EQ(unmatchedEdges(faces), 0);
        EXPECT_NEAR(enclosedVolume(faces), front * extrusion, front * extrusion * 1e-4 + 1e-9);
        int inward = 0;
        for (const Face& f : faces) {
            Vec a = areaVector(f.loop);
            double length = std::sqrt(dot(a, a));
            if (length < 1e-9) continue;  // degenerate sliver: no direction to check
            if (dot(a, f.normal) / length < 0.999) ++inward;
            EXPECT_NEAR(dot(f.normal, f.normal), 1.0, 1e-5);
        }
        EXPECT_EQ(inward, 0) << "faces whose normal disagrees with their winding";
    }
}

TEST(OutlineFont, OuterOutlinesRunCounterClockwiseAndHolesClockwise) {
    ASSERT_FALSE(arialBold().path.empty());
    auto signedAreas = [](const GlyphSolid& s) {
        std::vector<double> areas;
        for (const auto& c : s.contours) {
            double a = 0;
            for (size_t i = 0; i < c.size(); ++i) {
                const PointFloat& p = c[i];
                const PointFloat& q = c[(i + 1) % c.size()];
                a += double(p.x) * q.y - double(q.x) * p.y;
            }
            areas.push_back(a / 2);
        }
        return areas;
    };
    std::vector<double> o = signedAreas(glyph('O').solid);
    ASSERT_EQ(o.size(), 2u);
    EXPECT_GT(std::max(o[0], o[1]), 0.0);
    EXPECT_LT(std::min(o[0], o[1]), 0.0);
    // The filled area is the ring: outer minus hole.
    EXPECT_NEAR(trianglesArea(glyph('O').solid.frontTriangles), o[0] + o[1], 1e-6);
    std::vector<double> i = signedAreas(glyph('I').solid);
    ASSERT_EQ(i.size(), 1u);
    EXPECT_GT(i[0], 0.0);
}

TEST(OutlineFont, MetricsAreInEmUnits) {
    ASSERT_FALSE(arialBold().path.empty());
    GlyphMetricsFloat h = glyph('H').metrics;
    EXPECT_GT(h.gmfBlackBoxY, 0.65f);  // capital height of Arial: about 0.7 em
    EXPECT_LT(h.gmfBlackBoxY, 0.75f);
    EXPECT_GT(h.gmfBlackBoxX, 0.5f);
    EXPECT_GT(h.gmfCellIncX, h.gmfBlackBoxX);
    EXPECT_LT(h.gmfCellIncX, 1.0f);
    EXPECT_NEAR(h.gmfptGlyphOrigin.y, h.gmfBlackBoxY, 1e-6);  // stands on the baseline
    EXPECT_GT(h.gmfptGlyphOrigin.x, 0.0f);
    EXPECT_EQ(h.gmfCellIncY, 0.0f);

    GlyphMetricsFloat g = glyph('g').metrics;
    EXPECT_LT(g.gmfptGlyphOrigin.y, g.gmfBlackBoxY);  // descends below the baseline

    // 'I' is a plain bar: its filled area is its black box.
    Glyph i = glyph('I');
    EXPECT_NEAR(trianglesArea(i.solid.frontTriangles), i.metrics.gmfBlackBoxX * i.metrics.gmfBlackBoxY, 1e-5);

    GlyphMetricsFloat space = glyph(' ').metrics;
    EXPECT_EQ(space.gmfBlackBoxX, 0.0f);
    EXPECT_EQ(space.gmfBlackBoxY, 0.0f);
    EXPECT_GT(space.gmfCellIncX, 0.2f);
    EXPECT_LT(space.gmfCellIncX, 0.35f);
}

TEST(OutlineFont, CodesAreWindows1252AndMissingCharactersGetTheMissingGlyph) {
    ASSERT_FALSE(arialBold().path.empty());
    EXPECT_EQ(windows1252ToUnicode(0x80), 0x20ACu);
    EXPECT_EQ(windows1252ToUnicode(0x9F), 0x0178u);
    EXPECT_EQ(windows1252ToUnicode(0xE9), 0x00E9u);
    EXPECT_EQ(windows1252ToUnicode(0x81), 0x0081u);

    // 0x81 and 0x8D are undefined in the code page: the font has neither,
    // and both show its missing-glyph box, which is not empty.
    Glyph missing1 = glyph(0x81), missing2 = glyph(0x8D), euro = glyph(0x80), yDiaeresis = glyph(0x9F);
    double missingArea = trianglesArea(missing1.solid.frontTriangles);
    EXPECT_GT(missingArea, 0.0);
    EXPECT_NEAR(trianglesArea(missing2.solid.frontTriangles), missingArea, 1e-9);
    EXPECT_EQ(missing1.metrics.gmfCellIncX, missing2.metrics.gmfCellIncX);
    EXPECT_GT(std::fabs(trianglesArea(euro.solid.frontTriangles) - missingArea), 1e-3);
    // Ÿ is Y with two dots on top: taller than Y, same advance.
    GlyphMetricsFloat y = glyph('Y').metrics;
    EXPECT_GT(yDiaeresis.metrics.gmfBlackBoxY, y.gmfBlackBoxY + 0.05f);
    EXPECT_EQ(yDiaeresis.metrics.gmfCellIncX, y.gmfCellIncX);
}

TEST(OutlineFont, FinerDeviationSubdividesCurvesOnly) {
    ASSERT_FALSE(arialBold().path.empty());
    auto points = [](const GlyphSolid& s) {
        size_t n = 0;
        for (const auto& c : s.contours) n += c.size();
        return n;
    };
    Glyph coarse = glyph('O', 0.8f), fine = glyph('O', 0.001f);
    EXPECT_GT(points(fine.solid), points(coarse.solid));
    EXPECT_NEAR(trianglesArea(fine.solid.frontTriangles), trianglesArea(coarse.solid.frontTriangles),
                0.05 * trianglesArea(coarse.solid.frontTriangles));
    // Straight letters have nothing to subdivide.
    EXPECT_EQ(points(glyph('H', 0.001f).solid), points(glyph('H', 0.8f).solid));
    EXPECT_EQ(fine.metrics.gmfCellIncX, coarse.metrics.gmfCellIncX);
}

using OutlineFontLists = GlTest;

namespace {
constexpr double pixelsPerEm = 400.0;

// Draws one list flat and unlit, face on, 400 pixels to the em, and returns
// how many pixels it covered.
int coveredPixels(GLuint list) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.2, 640 / pixelsPerEm - 0.2, -0.4, 480 / pixelsPerEm - 0.4, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glCallList(list);
    std::vector<uint8_t> pixels = readFramePixels(640, 480);
    int covered = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) covered += pixels[i] > 127;
    return covered;
}
}  // namespace

TEST_F(OutlineFontLists, BuildsListsForCodesBelow255ThatEndWithTheAdvance) {
    GLuint base = glGenLists(256);
    ASSERT_NE(base, 0u);
    std::vector<GlyphMetricsFloat> metrics(256);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(useFontOutlines(outlineFontPattern, 0, 255, base, deviation, extrusion, metrics.data()));
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("building 255 outline glyph lists took %.1f ms\n", ms);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(metrics[255].gmfCellIncX, 0.0f);
    EXPECT_EQ(metrics[255].gmfBlackBoxY, 0.0f);
    EXPECT_EQ(metrics['H'].gmfBlackBoxY, glyph('H').metrics.gmfBlackBoxY);

    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
    for (unsigned code : {unsigned('H'), unsigned('O'), unsigned('e'), 0xE9u}) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        // The list fills the glyph's outline: as many pixels as its area.
        double area = trianglesArea(glyph(code).solid.frontTriangles) * pixelsPerEm * pixelsPerEm;
        EXPECT_NEAR(coveredPixels(base + code), area, area * 0.02);

        glLoadIdentity();
        glCallList(base + code);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_FLOAT_EQ(m[12], metrics[code].gmfCellIncX);
        EXPECT_EQ(m[13], 0.0f);
    }

    // The 256th list is reserved but never filled: it draws and moves nothing.
    glLoadIdentity();
    EXPECT_EQ(coveredPixels(base + 255), 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    glDeleteLists(base, 256);
}

TEST_F(OutlineFontLists, AMissingFontLeavesListsEmptyAndMetricsZeroWithOneMessage) {
    GLuint base = glGenLists(4);
    GlyphMetricsFloat metrics[4];
    for (auto& m : metrics) m = {1, 2, {3, 4}, 5, 6};
    testing::internal::CaptureStderr();
    bool built = useFontOutlinesFromFile("/nonexistent/NoSuchFont.ttf", 0, 'A', 4, base, deviation, extrusion, metrics);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(built);
    for (const auto& m : metrics) {
        EXPECT_EQ(m.gmfBlackBoxX, 0.0f);
        EXPECT_EQ(m.gmfBlackBoxY, 0.0f);
        EXPECT_EQ(m.gmfptGlyphOrigin.x, 0.0f);
        EXPECT_EQ(m.gmfptGlyphOrigin.y, 0.0f);
        EXPECT_EQ(m.gmfCellIncX, 0.0f);
        EXPECT_EQ(m.gmfCellIncY, 0.0f);
    }
    EXPECT_NE(err.find("NoSuchFont.ttf"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    glLoadIdentity();
    glCallList(base);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteLists(base, 4);

    // A file that exists but is no font is refused the same way.
    GlyphSolid solid;
    GlyphMetricsFloat one{};
    EXPECT_FALSE(buildGlyphSolid("/etc/hostname", 0, 'A', deviation, extrusion, solid, one));
    EXPECT_TRUE(solid.frontTriangles.empty());
}
