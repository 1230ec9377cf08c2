// SPDX-License-Identifier: MIT
// The generated data set: every file loads with the demo's own loaders and
// has the shape its scene needs, the two poses share one mesh, the module's
// marked moments fall where the programme expects them, and the generator
// gives the same bytes every time.
#include "assets/ms3d_model.h"
#include "assets/tga.h"
#include "data_set.h"
#include "models.h"
#include "pictures.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "platform/sound.h"
#include "song.h"
#include "support/sound_recorder.h"
#include "support/test_modules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

// The Data folder the build generated, or a fresh one when the test runs
// outside CTest.
const std::string& dataFolder() {
    static const std::string folder = [] {
        const char* binary = std::getenv("GLIMMER_BINARY_DIR");
        if (binary && *binary) return std::string(binary) + "/Data";
#ifdef GLIMMER_BUILD_FOLDER
        return std::string(GLIMMER_BUILD_FOLDER) + "/Data";
#endif
        static ScratchFolder scratch;
        std::string made = scratch.path() + "/Data";
        if (!writeDataSet(made)) ADD_FAILURE() << "the generator failed";
        return made;
    }();
    return folder;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

struct Vec {
    double x, y, z;
};
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec location(const Ms3dModel& m, int v) {
    return {m.vertices[v].location[0], m.vertices[v].location[1], m.vertices[v].location[2]};
}

struct Box {  // axis-aligned bounds
    Vec low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
};
Box bounds(const Ms3dModel& m) {
    Box b;
    for (int v = 0; v < m.vertexCount; ++v) {
        Vec p = location(m, v);
        b.low = {std::min(b.low.x, p.x), std::min(b.low.y, p.y), std::min(b.low.z, p.z)};
        b.high = {std::max(b.high.x, p.x), std::max(b.high.y, p.y), std::max(b.high.z, p.z)};
    }
    return b;
}

// Every triangle's corner order must agree with its corner normals: the
// scenes cull back faces with counter-clockwise fronts, so a triangle wound
// the other way vanishes from the side it is lit from. Degenerate triangles
// (the poles of round parts) face nowhere and are skipped.
int trianglesFacingAgainstTheirNormals(const Ms3dModel& m) {
    int wrong = 0;
    for (int t = 0; t < m.triangleCount; ++t) {
        const ModelTriangle& tri = m.triangles[t];
        Vec a = location(m, tri.vertexIndices[0]), b = location(m, tri.vertexIndices[1]),
            c = location(m, tri.vertexIndices[2]);
        Vec facing = cross(sub(b, a), sub(c, a));
        if (dot(facing, facing) < 1e-6) continue;
        Vec normal{0, 0, 0};
        for (int k = 0; k < 3; ++k)
            normal = {normal.x + tri.vertexNormals[k][0], normal.y + tri.vertexNormals[k][1],
                      normal.z + tri.vertexNormals[k][2]};
        if (dot(facing, normal) <= 0.0) ++wrong;
    }
    return wrong;
}

// The scenes' cameras in software: column-vector 4x4 matrices built like
// gluPerspective, gluLookAt and glRotatef, to see where a model lands on
// the 640x480 screen without a GL context.
struct Mat {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};
Mat mul(const Mat& a, const Mat& b) {
    Mat r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = 0;
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    return r;
}
Mat perspective(double fovy, double aspect, double zNear, double zFar) {
    double f = 1.0 / std::tan(fovy * pi / 360.0);
    Mat r;
    r.m[0][0] = f / aspect;
    r.m[1][1] = f;
    r.m[2][2] = (zFar + zNear) / (zNear - zFar);
    r.m[2][3] = 2 * zFar * zNear / (zNear - zFar);
    r.m[3][2] = -1;
    r.m[3][3] = 0;
    return r;
}
Vec normalised(Vec v) {
    double l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}
Mat lookAt(Vec eye, Vec centre, Vec up) {
    Vec f = normalised(sub(centre, eye));
    Vec side = normalised(cross(f, up));
    Vec u = cross(side, f);
    Mat r;
    double rows[3][3] = {{side.x, side.y, side.z}, {u.x, u.y, u.z}, {-f.x, -f.y, -f.z}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) r.m[i][j] = rows[i][j];
        r.m[i][3] = -(rows[i][0] * eye.x + rows[i][1] * eye.y + rows[i][2] * eye.z);
    }
    return r;
}
Mat rotate(double degrees, Vec axis) {
    Vec a = normalised(axis);
    double c = std::cos(degrees * pi / 180.0), s = std::sin(degrees * pi / 180.0), t = 1 - c;
    Mat r;
    double v[3][3] = {{t * a.x * a.x + c, t * a.x * a.y - s * a.z, t * a.x * a.z + s * a.y},
                      {t * a.x * a.y + s * a.z, t * a.y * a.y + c, t * a.y * a.z - s * a.x},
                      {t * a.x * a.z - s * a.y, t * a.y * a.z + s * a.x, t * a.z * a.z + c}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = v[i][j];
    return r;
}

// Where the points land: the screen-space box in normalised device
// coordinates (-1..1 both ways), and whether all lie in front of the near
// plane.
struct ScreenBox {
    double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
    bool allInFront = true;
};
ScreenBox project(const Mat& transform, const std::vector<Vec>& points, double nearest = 8.0) {
    ScreenBox box;
    for (const Vec& p : points) {
        double clip[4];
        for (int i = 0; i < 4; ++i)
            clip[i] = transform.m[i][0] * p.x + transform.m[i][1] * p.y + transform.m[i][2] * p.z + transform.m[i][3];
        if (clip[3] <= nearest) {
            box.allInFront = false;
            continue;
        }
        box.left = std::min(box.left, clip[0] / clip[3]);
        box.right = std::max(box.right, clip[0] / clip[3]);
        box.bottom = std::min(box.bottom, clip[1] / clip[3]);
        box.top = std::max(box.top, clip[1] / clip[3]);
    }
    return box;
}

std::vector<Vec> pointsOf(const Ms3dModel& m) {
    std::vector<Vec> points;
    for (int v = 0; v < m.vertexCount; ++v) points.push_back(location(m, v));
    return points;
}

class DataSet : public ::testing::Test {
protected:
    void SetUp() override { captureMessageBoxes(true); }
    void TearDown() override {
        EXPECT_TRUE(takeCapturedMessageBoxes().empty()) << "a loader complained";
        captureMessageBoxes(false);
    }
    std::string path(const std::string& name) const { return dataFolder() + "/" + name; }
};

}  // namespace

TEST_F(DataSet, HoldsExactlyTheFilesTheProgramOpensUnderTheNamesItUses) {
    std::set<std::string> expected = {"grass1.tga",   "Lights.tga",    "kuk.tga",           "title2.tga",
                                      "gras.tga",     "suckscene.tga", "atariscroller.tga", "fractalzoomer.tga",
                                      "kuktext.tga",  "credits.tga",   "blomma.ms3d",       "kukstand.ms3d",
                                      "kukslak.ms3d", "ancool2.mod"};
    std::set<std::string> listed(dataSetFileNames().begin(), dataSetFileNames().end());
    EXPECT_EQ(listed, expected);
    // The program spells the folder two ways; both reach the one Data folder.
    std::vector<std::string> saved = dataSearchRoots();
    setDataSearchRoots({dataFolder() + "/.."});
    for (const char* opened : {"data/grass1.tga", "Data/Lights.tga", "Data/kuk.tga", "Data/credits.tga",
                               "data/blomma.ms3d", "data/kukstand.ms3d", "data/kukslak.ms3d", "Data/ancool2.mod"}) {
        std::FILE* file = openDataFile(opened);
        EXPECT_NE(file, nullptr) << opened;
        if (file) std::fclose(file);
    }
    setDataSearchRoots(saved);
}

TEST_F(DataSet, PicturesLoadWithTheirDesignedSizesDepthsAndTypes) {
    std::set<int> types, depths;
    for (const PictureFile& file : pictureFiles()) {
        SCOPED_TRACE(file.name);
        TextureImage image;
        ASSERT_TRUE(loadTga(image, path(file.name).c_str()));
        EXPECT_EQ(image.width, uint32_t(file.width));
        EXPECT_EQ(image.height, uint32_t(file.height));
        EXPECT_TRUE(isPowerOfTwo(image.width) && isPowerOfTwo(image.height));
        EXPECT_EQ(image.bitsPerPixel, uint32_t(file.bitsPerPixel));
        std::vector<uint8_t> bytes = readBytes(path(file.name));
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(bytes[2], file.runLengthEncoded ? 10 : 2);
        types.insert(bytes[2]);
        depths.insert(file.bitsPerPixel);
        // Painted, not blank: many distinct colours (sampled every 7th pixel).
        std::set<uint32_t> colours;
        size_t channels = file.bitsPerPixel / 8;
        for (size_t i = 0; i + 2 < size_t(image.width) * image.height * channels; i += channels * 7)
            colours.insert(uint32_t(image.pixels[i]) << 16 | uint32_t(image.pixels[i + 1]) << 8 | image.pixels[i + 2]);
        EXPECT_GT(colours.size(), 60u);
    }
    EXPECT_EQ(types, (std::set<int>{2, 10}));
    EXPECT_EQ(depths, (std::set<int>{24, 32}));
}

// The level meter's bars stand in the bottom-right corner of every frame
// (x 585 to 630, up to 129 pixels tall above y = 470, at 640x480). Every
// slide keeps at least meterCornerWidth x meterCornerHeight screen pixels
// of that corner free of text and panel edges: there, no two neighbouring
// pixels differ sharply, while the same measure finds the slide's own
// lettering in the picture as a whole.
TEST_F(DataSet, SlidesKeepTheMetersCornerFreeOfTextAndEdges) {
    for (const char* name : {"title2.tga", "gras.tga", "suckscene.tga", "atariscroller.tga", "fractalzoomer.tga",
                             "kuktext.tga", "credits.tga"}) {
        SCOPED_TRACE(name);
        TextureImage image;
        ASSERT_TRUE(loadTga(image, path(name).c_str()));
        const int w = int(image.width), h = int(image.height), channels = int(image.bitsPerPixel / 8);
        auto luma = [&](int x, int y) {
            const uint8_t* p = &image.pixels[(size_t(y) * w + x) * channels];
            return (2 * p[0] + 5 * p[1] + p[2]) / 8;
        };
        // The sharpest step between neighbours in columns [x0, w) and rows
        // [0, y1) of the image; row 0 is the bottom of the screen.
        auto sharpestStep = [&](int x0, int y1) {
            int sharpest = 0;
            for (int y = 0; y < y1; ++y)
                for (int x = x0; x < w; ++x) {
                    if (x + 1 < w) sharpest = std::max(sharpest, std::abs(luma(x + 1, y) - luma(x, y)));
                    if (y + 1 < y1) sharpest = std::max(sharpest, std::abs(luma(x, y + 1) - luma(x, y)));
                }
            return sharpest;
        };
        // The slide quad stretches the picture over the 640x480 screen.
        int firstColumn = (640 - meterCornerWidth) * w / 640, rows = (meterCornerHeight * h + 479) / 480;
        EXPECT_LE(sharpestStep(firstColumn, rows), 8) << "a smooth ground, no edge in it";
        EXPECT_GT(sharpestStep(0, h), 100) << "the measure sees lettering";
    }
}

// The grass and the lights repeat across the surfaces they cover: the jump
// from the last column to the first (and last row to first) is no larger
// than between neighbours inside the picture.
TEST_F(DataSet, SurfaceTexturesTileWithoutSeams) {
    for (const char* name : {"grass1.tga", "Lights.tga"}) {
        SCOPED_TRACE(name);
        TextureImage image;
        ASSERT_TRUE(loadTga(image, path(name).c_str()));
        const int w = int(image.width), h = int(image.height);
        auto at = [&](int x, int y, int c) { return double(image.pixels[(size_t(y) * w + x) * 3 + c]); };
        auto columnStep = [&](int x0, int x1) {
            double sum = 0;
            for (int y = 0; y < h; ++y)
                for (int c = 0; c < 3; ++c) sum += std::fabs(at(x0, y, c) - at(x1, y, c));
            return sum / h;
        };
        auto rowStep = [&](int y0, int y1) {
            double sum = 0;
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) sum += std::fabs(at(x, y0, c) - at(x, y1, c));
            return sum / w;
        };
        double inside = 0, insideRows = 0;
        for (int k = 0; k < w - 1; ++k) inside += columnStep(k, k + 1) / (w - 1);
        for (int k = 0; k < h - 1; ++k) insideRows += rowStep(k, k + 1) / (h - 1);
        EXPECT_LT(columnStep(w - 1, 0), inside * 1.5);
        EXPECT_LT(rowStep(h - 1, 0), insideRows * 1.5);
    }
}

TEST_F(DataSet, LightMarkerIsOpaqueInTheMiddleAndFadesToNothingAtItsEdge) {
    TextureImage image;
    ASSERT_TRUE(loadTga(image, path("kuk.tga").c_str()));
    ASSERT_EQ(image.format, GLenum(GL_RGBA));
    const int size = int(image.width);
    auto alpha = [&](int x, int y) { return int(image.pixels[(size_t(y) * size + x) * 4 + 3]); };
    EXPECT_GE(alpha(size / 2, size / 2), 250);
    for (int k = 0; k < size; ++k) {  // the whole border is transparent
        EXPECT_EQ(alpha(k, 0), 0);
        EXPECT_EQ(alpha(k, size - 1), 0);
        EXPECT_EQ(alpha(0, k), 0);
        EXPECT_EQ(alpha(size - 1, k), 0);
    }
    // Soft: alpha falls step by step along a radius, never rises.
    int previous = 256, distinct = 0;
    for (int x = size / 2; x < size; ++x) {
        int a = alpha(x, size / 2 + size / 8);  // off the rays
        EXPECT_LE(a, previous);
        distinct += a != previous;
        previous = a;
    }
    EXPECT_GT(distinct, size / 8);
}

TEST_F(DataSet, FlowerStandsOverTheGroundWithColouredPartsFacingOutwards) {
    Ms3dModel flower;
    ASSERT_TRUE(flower.loadFromFile(path("blomma.ms3d").c_str()));
    EXPECT_GE(flower.materialCount, 4);
    EXPECT_GE(flower.meshCount, 4);
    std::set<int> used;
    for (int m = 0; m < flower.meshCount; ++m) {
        EXPECT_GE(flower.meshes[m].materialIndex, 0);
        EXPECT_LT(flower.meshes[m].materialIndex, flower.materialCount);
        EXPECT_GT(flower.meshes[m].triangleIndexCount, 0);
        used.insert(flower.meshes[m].materialIndex);
    }
    EXPECT_EQ(int(used.size()), flower.materialCount);
    EXPECT_EQ(trianglesFacingAgainstTheirNormals(flower), 0);
    // Rooted just under the rippling grid (z from -360 to -200 near the
    // middle), rising well above the origin, and narrow enough to stand
    // in the middle of a grid 1068 units across.
    Box box = bounds(flower);
    EXPECT_LT(box.low.z, -300.0);
    EXPECT_GT(box.low.z, -360.0);
    EXPECT_GT(box.high.z, 250.0);
    EXPECT_LT(std::max({-box.low.x, box.high.x, -box.low.y, box.high.y}), 350.0);
    for (int t = 0; t < flower.triangleCount; ++t)
        for (int k = 0; k < 3; ++k) {
            const float* n = flower.triangles[t].vertexNormals[k];
            EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0, 1e-3);
        }
}

TEST_F(DataSet, TheTwoPosesAreOneMeshStandingTallAndSlumped) {
    Ms3dModel standing, slumped;
    ASSERT_TRUE(standing.loadFromFile(path("kukstand.ms3d").c_str()));
    ASSERT_TRUE(slumped.loadFromFile(path("kukslak.ms3d").c_str()));
    ASSERT_EQ(standing.vertexCount, slumped.vertexCount);
    ASSERT_EQ(standing.triangleCount, slumped.triangleCount);
    ASSERT_EQ(standing.meshCount, slumped.meshCount);
    for (int t = 0; t < standing.triangleCount; ++t)
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(standing.triangles[t].vertexIndices[k], slumped.triangles[t].vertexIndices[k]) << t;
    for (int m = 0; m < standing.meshCount; ++m) {
        EXPECT_EQ(standing.meshes[m].materialIndex, slumped.meshes[m].materialIndex);
        EXPECT_EQ(standing.meshes[m].triangleIndexCount, slumped.meshes[m].triangleIndexCount);
    }
    EXPECT_EQ(trianglesFacingAgainstTheirNormals(standing), 0);
    EXPECT_EQ(trianglesFacingAgainstTheirNormals(slumped), 0);
    // Each pose stands centred along (1, 1, 1), the scene's spin axis, so
    // that the figure turns in place; the slumped one is clearly lower.
    const Vec axis{1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 1 / std::sqrt(3.0)};
    auto heightAlongAxis = [&](const Ms3dModel& m) {
        double low = 1e9, high = -1e9;
        for (int v = 0; v < m.vertexCount; ++v) {
            low = std::min(low, dot(location(m, v), axis));
            high = std::max(high, dot(location(m, v), axis));
        }
        EXPECT_NEAR(low + high, 0.0, 40.0);
        return high - low;
    };
    double tallHeight = heightAlongAxis(standing), lowHeight = heightAlongAxis(slumped);
    EXPECT_LT(lowHeight, tallHeight * 0.8);
    // Same mesh, different shape: most vertices move between the poses.
    int moved = 0;
    for (int v = 0; v < standing.vertexCount; ++v) {
        Vec d = sub(location(standing, v), location(slumped, v));
        moved += dot(d, d) > 1.0;
    }
    EXPECT_GT(moved, standing.vertexCount / 2);
}

// Through the flower scene's camera (eye 200, 300, 1000 - rotY/2 looking at
// 0, -100, 0; the scene turned 250 degrees about x and rotY about z): the
// flower is well in view from the first frame, grows as the camera closes
// in over the scene's twenty-odd seconds, and is never cut off at the top.
TEST_F(DataSet, FlowerIsFramedByTheMeadowCameraAndGrowsAsItClosesIn) {
    Ms3dModel flower;
    ASSERT_TRUE(flower.loadFromFile(path("blomma.ms3d").c_str()));
    std::vector<Vec> points = pointsOf(flower);
    double firstHeight = 0, lastHeight = 0;
    for (double rotY : {0.0, 165.0, 330.0, 495.0, 700.0}) {
        SCOPED_TRACE(rotY);
        Mat view = mul(perspective(100, 640.0 / 480.0, 8, 2000),
                       mul(lookAt({200, 300, 1000 - 0.5 * rotY}, {0, -100, 0}, {0, 1, 0}),
                           mul(rotate(250, {1, 0, 0}), rotate(rotY, {0, 0, 1}))));
        ScreenBox box = project(view, points);
        ASSERT_TRUE(box.allInFront);
        double height = box.top - box.bottom;
        EXPECT_GT(height, 0.4) << "a fifth of the screen height or more";
        EXPECT_LT(box.top, 0.98) << "the head stays on screen";
        EXPECT_GT(box.left, -1.0);
        EXPECT_LT(box.right, 1.0);
        if (firstHeight == 0) firstHeight = height;
        lastHeight = height;
    }
    EXPECT_GT(lastHeight, firstHeight * 1.2);
}

// Through the morph scene's camera (circling at radius 50 about
// (40, -130, 0), 90 to 185 units from the origin, looking at it), each pose
// drawn at half size and turned 3 rotY degrees about (1, 1, 1), over the
// scene's fifteen seconds: never reaching the near plane, where GL would
// cut it open; whole on screen and a quarter of the screen across or more
// while the camera is far, so that it runs off the edges only on the close
// pass.
TEST_F(DataSet, FigureFillsAGoodPartOfTheMorphFrameInBothPoses) {
    Ms3dModel standing, slumped;
    ASSERT_TRUE(standing.loadFromFile(path("kukstand.ms3d").c_str()));
    ASSERT_TRUE(slumped.loadFromFile(path("kukslak.ms3d").c_str()));
    for (const Ms3dModel* pose : {&standing, &slumped}) {
        SCOPED_TRACE(pose == &standing ? "standing" : "slumped");
        std::vector<Vec> points = pointsOf(*pose);
        for (Vec& p : points) p = {p.x * 0.5, p.y * 0.5, p.z * 0.5};
        double smallestFar = 2.0;
        for (double rotY = 0.0; rotY < 75.0; rotY += 0.25) {
            Vec eye{40, -50 * (std::cos(0.1 * rotY) + 1) - 80, 50 * std::sin(0.1 * rotY)};
            Mat view = mul(perspective(100, 640.0 / 480.0, 8, 2000),
                           mul(lookAt(eye, {0, 0, 0}, {0, 1, 0}), rotate(3 * rotY, {1, 1, 1})));
            ScreenBox box = project(view, points, 12.0);
            ASSERT_TRUE(box.allInFront) << "at rotY " << rotY;
            if (std::sqrt(dot(eye, eye)) < 150.0) continue;
            EXPECT_GT(box.left, -1.0) << rotY;
            EXPECT_LT(box.right, 1.0) << rotY;
            EXPECT_GT(box.bottom, -1.0) << rotY;
            EXPECT_LT(box.top, 1.0) << rotY;
            smallestFar = std::min(smallestFar, std::max(box.top - box.bottom, box.right - box.left) / 2);
        }
        EXPECT_GT(smallestFar, 0.25) << "a quarter of the screen's height or width at the farthest";
    }
}

// The module as the demo hears it, rendered offline by the sound layer: the
// title ends at order 1 row 32 (15 s), the programme starts at order 2 row 0
// (20 s), instrument 9 first sounds on the accent at order 3 row 0 (30 s),
// loud passages use more than half the meter, and the song runs 235 s
// before it comes back to its start.
TEST_F(DataSet, ModuleCuesTheProgrammeOnTimeAndPlaysFourMinutesBeforeLooping) {
    std::vector<std::string> saved = dataSearchRoots();
    setDataSearchRoots({dataFolder() + "/.."});
    ASSERT_TRUE(soundOpenOffline());
    ASSERT_TRUE(soundLoadMusic("Data/ancool2.mod"));
    EventRecorder recorder;
    enum { titleEnd, start, flash };
    ASSERT_TRUE(soundOnPosition(titleEndOrder, titleEndRow, recorder.handler(titleEnd)));
    ASSERT_TRUE(soundOnPosition(programmeStartOrder, programmeStartRow, recorder.handler(start)));
    ASSERT_TRUE(soundOnInstrument(flashInstrument, recorder.handler(flash)));
    const double songSeconds = soundMusicSeconds();
    ASSERT_TRUE(soundPlay());
    const size_t block = 441;
    std::vector<float> buffer(block * 2);
    int loudestLeft = 0, loudestRight = 0;
    for (size_t done = 0; done < size_t(240 * soundSampleRate); done += block) {
        ASSERT_EQ(soundRenderOffline(buffer.data(), block), block);
        uint32_t level = soundLevel();
        loudestLeft = std::max(loudestLeft, int(level & 0xFFFF));
        loudestRight = std::max(loudestRight, int(level >> 16));
    }
    soundClose();
    setDataSearchRoots(saved);

    auto seconds = [](const RecordedEvent& e) { return double(e.frame) / soundSampleRate; };
    std::vector<RecordedEvent> a = recorder.eventsOf(titleEnd), b = recorder.eventsOf(start),
                               f = recorder.eventsOf(flash);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    ASSERT_EQ(f.size(), 1u);
    const double row = songSecondsPerRow;
    EXPECT_NEAR(seconds(a[0]), (64 + titleEndRow) * row, 0.05);
    EXPECT_NEAR(seconds(b[0]), 2 * 64 * row, 0.05);
    EXPECT_NEAR(seconds(f[0]), 3 * 64 * row, 0.05);
    EXPECT_LT(seconds(a[0]), seconds(b[0]));
    EXPECT_GT(seconds(f[0]), seconds(b[0]));
    EXPECT_LT(seconds(f[0]), seconds(b[0]) + 20.0);
    // The decoder finds the song as long as it was composed: it comes back
    // to its start only after the programme's length.
    EXPECT_GE(songSeconds, 230.0);
    EXPECT_NEAR(songSeconds, songLengthSeconds(), 0.2);
    EXPECT_GE(loudestLeft, 64);
    EXPECT_GE(loudestRight, 64);
    EXPECT_LE(std::max(loudestLeft, loudestRight), 127) << "the mix clips";
}

TEST(Song, IsComposedWithoutMistakesAndReachesTheMarkedRowsWithoutJumpingOverThem) {
    ComposedSong song = composeSong();
    EXPECT_TRUE(song.problems.empty()) << song.problems.front();
    EXPECT_EQ(modProblem(song.module), "");
    std::vector<int> rows = songPositionRows();
    ASSERT_GT(rows.size(), size_t(firstAccentOrder));
    // Positions before the marks play all their rows.
    EXPECT_EQ(rows[0], 64);
    EXPECT_GT(rows[titleEndOrder], titleEndRow);
    // Instrument 9 appears nowhere before its accent.
    for (int order = 0; order < firstAccentOrder; ++order)
        for (const auto& line : song.module.patterns[song.module.orders[size_t(order)]].cells)
            for (const ModCell& cell : line) EXPECT_NE(cell.instrument, flashInstrument) << order;
    EXPECT_GE(songLengthSeconds(), 230.0);
}

TEST(Generator, WritesTheSameBytesEveryTime) {
    ScratchFolder scratch;
    ASSERT_TRUE(writeDataSet(scratch.path() + "/again"));
    for (const std::string& name : dataSetFileNames()) {
        std::vector<uint8_t> first = readBytes(dataFolder() + "/" + name);
        std::vector<uint8_t> second = readBytes(scratch.path() + "/again/" + name);
        EXPECT_FALSE(first.empty()) << name;
        EXPECT_TRUE(first == second) << name << " differs between two runs";
    }
}

TEST(Generator, RefusesAFolderItCannotCreate) {
    ScratchFolder scratch;
    std::string blocked = scratch.path() + "/file";
    { std::ofstream(blocked) << "x"; }
    EXPECT_FALSE(writeDataSet(blocked + "/Data"));
}
