// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "app/timeline.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/slides.h"
#include "state/run_state.h"
#include "support/gl_test.h"

namespace {

class CubePyramid : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        // As in the programme: the slide before the scene set up the state
        // the scene does not touch.
        beginSlideMode();
        setupCubePyramidScene();
    }
    void TearDown() override {
        resetRun();
        GlTest::TearDown();
    }

    // Where an object-space point lands on screen (top-left origin) with the
    // matrices the last frame left.
    static void project(double x, double y, double z, int& sx, int& sy) {
        GLdouble modelview[16], projection[16], wx, wy, wz;
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
        sx = int(wx);
        sy = height - 1 - int(wy);
    }
};

bool isBackground(Rgba p) { return p.r == 230 && p.g == 204 && p.b == 255; }

}  // namespace

TEST(CubePyramidChoice, EvenFiveSecondBlocksShowThePyramid) {
    EXPECT_TRUE(pyramidShowsAt(0.0));
    EXPECT_TRUE(pyramidShowsAt(4.999));
    EXPECT_FALSE(pyramidShowsAt(5.0));
    EXPECT_FALSE(pyramidShowsAt(9.99));
    EXPECT_TRUE(pyramidShowsAt(10.0));
    EXPECT_TRUE(pyramidShowsAt(64.9));   // block 12
    EXPECT_FALSE(pyramidShowsAt(65.0));  // block 13
    EXPECT_FALSE(pyramidShowsAt(79.99));
    EXPECT_TRUE(pyramidShowsAt(1e30));  // no overflow on absurd times
}

// Seen straight on (rotY 0), the cube's front face fills a square whose
// upper corners the pyramid, narrowing to its apex, leaves empty.
TEST_F(CubePyramid, SolidFollowsProgrammeTime) {
    frameDelta = 0.0;
    rotY = 0.0f;

    elapsed = 64.9;
    drawCubePyramidFrame();
    int cornerX = 0, cornerY = 0, centreX = 0, centreY = 0;
    project(80, 80, -100, cornerX, cornerY);
    project(0, -50, -100, centreX, centreY);
    auto pyramid = frame();
    EXPECT_TRUE(isBackground(pixelAt(pyramid, cornerX, cornerY)));
    EXPECT_FALSE(isBackground(pixelAt(pyramid, centreX, centreY)));

    elapsed = 65.0;
    drawCubePyramidFrame();
    auto cube = frame();
    EXPECT_FALSE(isBackground(pixelAt(cube, cornerX, cornerY)));
    EXPECT_FALSE(isBackground(pixelAt(cube, centreX, centreY)));
    // Every pixel outside the solids shows the background; the corners of the
    // screen are far from both.
    EXPECT_TRUE(isBackground(pixelAt(cube, 0, 0)));
    EXPECT_TRUE(isBackground(pixelAt(cube, 639, 479)));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CubePyramid, StandsStillWithoutFrameTimeAndSpinsWithIt) {
    elapsed = 7.0;
    rotY = 37.0f;  // continues from whatever the scene before left
    frameDelta = 0.0;
    drawCubePyramidFrame();
    auto first = frame();
    drawCubePyramidFrame();
    auto second = frame();
    EXPECT_EQ(rotY, 37.0f);
    EXPECT_TRUE(first == second);

    frameDelta = 0.25;
    drawCubePyramidFrame();
    EXPECT_EQ(rotY, float(37.0 + 33.0 * 0.25));
    EXPECT_FALSE(frame() == second);
}

// The scroller and the tunnel set no material: they light with the one this
// scene leaves. The light stays fixed in eye space however the solid turns.
TEST_F(CubePyramid, LeavesItsFrontMaterialAndFixedLight) {
    rotY = 123.0f;
    frameDelta = 0.1;
    drawCubePyramidFrame();

    GLfloat ambient[4], diffuse[4], specular[4], emission[4], shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(ambient[0], 0.1f);
    EXPECT_FLOAT_EQ(diffuse[1], 0.5f);
    EXPECT_FLOAT_EQ(specular[2], 1.0f);
    EXPECT_FLOAT_EQ(emission[0], 0.0f);
    EXPECT_FLOAT_EQ(emission[3], 1.0f);
    EXPECT_FLOAT_EQ(shininess, 1.0f);

    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[0], 0.0f);
    EXPECT_FLOAT_EQ(position[2], -200.0f);
    EXPECT_FLOAT_EQ(position[3], 1.0f);

    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat clearDepth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_FLOAT_EQ(clearDepth, 1.0f);
}
