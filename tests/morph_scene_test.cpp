// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/timeline.h"
#include "assets/ms3d_model.h"
#include "ms3d_writer.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "scenes/morph_scene.h"
#include "scenes/slides.h"
#include "state/run_state.h"
#include "support/asset_files.h"
#include "support/gl_test.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// One small triangle near the origin (drawn at half size), plus any further
// vertices the pose lists.
std::vector<uint8_t> poseModel(const std::vector<Ms3dVertexRecord>& vertices) {
    Ms3dFile file;
    file.vertices = vertices;
    Ms3dTriangleRecord triangle;
    triangle.vertexIndices[0] = 0;
    triangle.vertexIndices[1] = 1;
    triangle.vertexIndices[2] = 2;
    for (auto& n : triangle.normals) n[1] = -1.0f;
    file.triangles = {triangle};
    Ms3dGroupRecord group;
    group.name = "figure";
    group.triangleIndices = {0};
    file.groups = {group};
    return encodeMs3d(file);
}

const std::vector<Ms3dVertexRecord> standing = {{2, 4, 6}, {-8, 10, 12}, {14, -16, 18}};
const std::vector<Ms3dVertexRecord> slouching = {{20, 4, 6}, {-8, 12, 2}, {1, -6, 8}, {30, 31, 32}, {-33, 34, 35}};

class MorphScene : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        savedRoots = dataSearchRoots();
        setDataSearchRoots({data.path()});
        captureMessageBoxes(true);
        beginSlideMode();  // culling on, counter-clockwise fronts, as in the programme
    }
    void TearDown() override {
        releaseMorphModels();
        captureMessageBoxes(false);
        setDataSearchRoots(savedRoots);
        resetRun();
        GlTest::TearDown();
    }
    void writePoses(const std::vector<Ms3dVertexRecord>& first, const std::vector<Ms3dVertexRecord>& second) {
        data.write("Data/kukstand.ms3d", poseModel(first));
        data.write("Data/kukslak.ms3d", poseModel(second));
    }
    // Compares every blended coordinate of modelC with f(a, b).
    template <typename F>
    void expectFigure(int count, F f) {
        for (int v = 0; v < count; ++v)
            for (int k = 0; k < 3; ++k)
                EXPECT_FLOAT_EQ(modelC->vertices[v].location[k],
                                f(modelA->vertices[v].location[k], modelB->vertices[v].location[k]))
                    << "vertex " << v << " coordinate " << k;
    }
    static void expectBox(const MessageBoxRecord& box) {
        EXPECT_EQ(box.text, "Couldn't load the model data\\model.ms3d");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style, MB_ICONERROR);
    }

    ScratchFolder data;
    std::vector<std::string> savedRoots;
};

}  // namespace

TEST_F(MorphScene, BlendRunsBetweenHalfOfEachPose) {
    writePoses(standing, {{20, 4, 6}, {-8, 12, 2}, {1, -6, 8}});
    rotY = 77.0f;
    ASSERT_EQ(setupMorphScene(), 1);
    EXPECT_EQ(rotY, 0.0f);
    frameDelta = 0.0;

    drawMorphFrame();  // w = 1
    expectFigure(3, [](float a, float b) { return float((0.5 * b + 0.5 * a) * 0.5); });
    rotY = float(pi / 2);  // sin = 1: half of the first pose
    drawMorphFrame();
    expectFigure(3, [](float a, float) { return a / 2; });
    rotY = float(3 * pi / 2);  // sin = -1: half of the second pose
    drawMorphFrame();
    expectFigure(3, [](float, float b) { return b / 2; });

    frameDelta = 0.2;
    drawMorphFrame();
    EXPECT_EQ(rotY, float(float(3 * pi / 2) + 5 * 0.2));
}

// Rotating light at rotY 0: (50, -50, 0), placed by the camera at
// (40, -180, 0); its marker is a white square at x 50..60, z 0..10, y -50,
// facing the camera below it.
TEST_F(MorphScene, FirstFrameLightAndMarker) {
    writePoses(standing, slouching);
    ASSERT_EQ(setupMorphScene(), 1);
    frameDelta = 0.0;
    drawMorphFrame();

    GLdouble modelview[16], camera[16], projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(40, -180, 0, 0, 0, 0, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, camera);
    glPopMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], camera[i], 1e-5) << i;

    GLfloat light[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    const double world[4] = {50, -50, 0, 1};
    for (int row = 0; row < 3; ++row) {
        double eye = 0;
        for (int k = 0; k < 4; ++k) eye += camera[k * 4 + row] * world[k];
        EXPECT_NEAR(light[row], eye, 1e-3) << row;
    }

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto screen = [&](double x, double y, double z) {
        GLdouble wx, wy, wz;
        gluProject(x, y, z, camera, projection, viewport, &wx, &wy, &wz);
        return std::pair<int, int>(int(wx), height - 1 - int(wy));
    };
    auto pixels = frame();
    auto [mx, my] = screen(55, -50, 5);
    const Rgba marker = pixelAt(pixels, mx, my);
    EXPECT_EQ(marker.r, 255);
    EXPECT_EQ(marker.g, 255);
    EXPECT_EQ(marker.b, 255);
    for (auto [x, y] : {screen(45, -50, 5), screen(65, -50, 5), screen(55, -50, -5), screen(55, -50, 15)}) {
        const Rgba outside = pixelAt(pixels, x, y);
        EXPECT_EQ(outside.r | outside.g | outside.b, 0) << x << "," << y;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The figure spins 3 degrees per unit of rotY about (1, 1, 1): at rotY 30 a
// quarter turn. GL's feedback mode gives the window positions of the
// figure's corners as drawn, to compare with the figure's own coordinates
// put through the camera and that turn.
TEST_F(MorphScene, FigureTurnsThreeDegreesPerUnitOfRotY) {
    writePoses(standing, slouching);
    ASSERT_EQ(setupMorphScene(), 1);
    glDisable(GL_CULL_FACE);  // the triangle is wanted whichever way it faces
    rotY = 30.0f;
    frameDelta = 0.0;
    std::vector<GLfloat> feedback(1024);
    glFeedbackBuffer(GLsizei(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    drawMorphFrame();
    ASSERT_GT(glRenderMode(GL_RENDER), 11);
    // The figure is drawn first: a polygon of three corners.
    ASSERT_EQ(feedback[0], GLfloat(GL_POLYGON_TOKEN));
    ASSERT_EQ(feedback[1], 3.0f);

    GLdouble turned[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(40, -50 * (std::cos(3.0) + 1) - 80, 50 * std::sin(3.0), 0, 0, 0, 0, 1, 0);
    glRotatef(90.0f, 1.0f, 1.0f, 1.0f);
    glGetDoublev(GL_MODELVIEW_MATRIX, turned);
    glPopMatrix();
    for (int corner = 0; corner < 3; ++corner) {
        const float* at = modelC->vertices[corner].location;
        GLdouble x, y, z;
        ASSERT_TRUE(gluProject(at[0], at[1], at[2], turned, projection, viewport, &x, &y, &z));
        EXPECT_NEAR(feedback[2 + 3 * corner], x, 0.05) << "corner " << corner;
        EXPECT_NEAR(feedback[3 + 3 * corner], y, 0.05) << "corner " << corner;
    }
}

// The first pose has fewer vertices: only the vertices both poses have are
// blended; the drawn model's others keep their loaded positions.
TEST_F(MorphScene, PosesOfDifferentSizesNeverReadPastTheShorter) {
    writePoses(standing, slouching);
    ASSERT_EQ(setupMorphScene(), 1);
    ASSERT_EQ(modelA->vertexCount, 3);
    ASSERT_EQ(modelC->vertexCount, 5);
    rotY = float(pi / 2);
    frameDelta = 0.0;
    drawMorphFrame();
    expectFigure(3, [](float a, float) { return a / 2; });
    EXPECT_EQ(modelC->vertices[3].location[0], 30.0f);
    EXPECT_EQ(modelC->vertices[4].location[2], 35.0f);
}

TEST_F(MorphScene, FailedSetUpStopsAtTheFailingModelAndReleasesWhatExists) {
    // Second pose missing: modelA loaded, modelB empty, modelC never made.
    data.write("Data/kukstand.ms3d", poseModel(standing));
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(setupMorphScene(), 0);
    auto boxes = takeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    expectBox(boxes[0]);
    // stderr names the pose that was missing.
    EXPECT_NE(boxes[0].detail.find("\"data/kukslak.ms3d\": not found"), std::string::npos) << boxes[0].detail;
    ASSERT_NE(modelA, nullptr);
    EXPECT_EQ(modelA->vertexCount, 3);
    ASSERT_NE(modelB, nullptr);
    EXPECT_EQ(modelB->vertexCount, 0);
    EXPECT_EQ(modelC, nullptr);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[1], 0.5f);  // GL state untouched

    frameDelta = 0.1;
    drawMorphFrame();  // must not touch the missing model
    EXPECT_EQ(rotY, 0.5f);
    releaseMorphModels();
    EXPECT_EQ(modelA, nullptr);
    EXPECT_EQ(modelB, nullptr);
    EXPECT_EQ(modelC, nullptr);

    // First pose missing as well: only an empty modelA exists.
    std::remove(data.file("Data/kukstand.ms3d").c_str());
    EXPECT_EQ(setupMorphScene(), 0);
    ASSERT_EQ(takeCapturedMessageBoxes().size(), 1u);
    ASSERT_NE(modelA, nullptr);
    EXPECT_EQ(modelA->vertexCount, 0);
    EXPECT_EQ(modelB, nullptr);
    EXPECT_EQ(modelC, nullptr);
    drawMorphFrame();
    releaseMorphModels();
    EXPECT_EQ(modelA, nullptr);

    // A full set-up releases all three.
    writePoses(standing, slouching);
    ASSERT_EQ(setupMorphScene(), 1);
    EXPECT_NE(modelC, nullptr);
    releaseMorphModels();
    EXPECT_EQ(modelA, nullptr);
    EXPECT_EQ(modelB, nullptr);
    EXPECT_EQ(modelC, nullptr);
}
