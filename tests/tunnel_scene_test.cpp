// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/timeline.h"
#include "assets/texture_bank.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/tunnel_scene.h"
#include "state/clock.h"
#include "state/run_state.h"
#include "support/gl_test.h"

namespace {

constexpr double pi = 3.141592653589793;

void fillSlot(int slot, int size, const std::vector<uint8_t>& rgba) {
    glGenTextures(1, &textureBank[slot].textureId);
    glBindTexture(GL_TEXTURE_2D, textureBank[slot].textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
}

void fillUniform(int slot, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    std::vector<uint8_t> texels;
    for (int k = 0; k < 4; ++k) texels.insert(texels.end(), {r, g, b, a});
    fillSlot(slot, 2, texels);
}

class TunnelScene : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        // As in the programme: the cube and pyramid scene ran earlier and
        // left the front material the cube is lit with.
        setupCubePyramidScene();
        drawCubePyramidFrame();
        resetAnimationState();
        setupTunnelScene();
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        clearTextureBank();
        resetRun();
        GlTest::TearDown();
    }

    static bool isRed(Rgba p) { return p.r == 255 && p.g == 0 && p.b == 0; }
};

}  // namespace

TEST_F(TunnelScene, TheFaceTextureZoomsBetweenOneColourAndFourRepetitions) {
    frameDelta = 0.0;
    drawTunnelFrame();
    EXPECT_EQ(cubeTexInset, 0.5f);

    phase = float(-4 * pi);
    drawTunnelFrame();
    EXPECT_NEAR(cubeTexInset, 2.5f, 1e-6f);

    // Half-way: the argument is -1.5 pi, cos = 0.
    phase = float(-2 * pi);
    drawTunnelFrame();
    EXPECT_NEAR(cubeTexInset, 1.5f, 1e-6f);

    // The value comes from phase before this frame's step.
    phase = 0.0f;
    frameDelta = 0.5;
    drawTunnelFrame();
    EXPECT_EQ(cubeTexInset, 0.5f);
    EXPECT_EQ(phase, -2.5f);
}

TEST_F(TunnelScene, AccumulatorsAdvanceWithTheClockAndTexShiftUStaysZero) {
    fillSlot(2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255});
    fillUniform(3, 255, 0, 0, 128);
    texShiftU = 3.0f;
    frameDelta = 0.0;
    drawTunnelFrame();
    std::vector<uint8_t> still = frame();
    EXPECT_EQ(texShiftU, 0.0f);
    drawTunnelFrame();
    EXPECT_TRUE(frame() == still);
    EXPECT_EQ(rotX, 0.0f);
    EXPECT_EQ(phase, 0.0f);
    EXPECT_EQ(texShiftV, 0.0f);

    frameDelta = 0.1;
    texShiftU = -1.0f;
    drawTunnelFrame();
    EXPECT_EQ(texShiftU, 0.0f);
    EXPECT_EQ(texShiftV, float(2 * 0.1));
    EXPECT_EQ(rotX, float(7 * 0.1));
    EXPECT_EQ(rotY, float(8 * 0.1));
    EXPECT_EQ(rotZ, float(9 * 0.1));
    EXPECT_EQ(phase, float(-5 * 0.1));
    EXPECT_TRUE(frame() != still);
}

// Floor and ceiling meet on the screen's middle row, far away, and between
// them cover everything but a sliver at the two ends of the horizon.
TEST_F(TunnelScene, ThePlanesFillTheScreenAndMeetAtTheHorizon) {
    fillUniform(2, 0, 0, 255, 255);
    drawTunnelPlanes();
    std::vector<uint8_t> pixels = frame();
    for (int y = 0; y < height; ++y) EXPECT_FALSE(isRed(pixelAt(pixels, width / 2, y))) << y;
    for (int y : {0, 100, 230, 250, 400, 479})
        for (int x = 0; x < width; ++x) ASSERT_FALSE(isRed(pixelAt(pixels, x, y))) << x << "," << y;

    // The far edge of both planes, at 3010 deep, is the horizon: in feedback
    // the planes' vertices lie on one side of the middle row or on it, and on
    // it they reach 1600 / 3010 of the view's half-width to either side.
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    drawTunnelPlanes();
    GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0);
    const double horizon = height / 2.0;
    const double reach = (1.0 / std::tan(22.5 * pi / 180.0)) / (4.0 / 3.0) * 1600.0 / 3010.0 * (width / 2.0);
    bool below = false, above = false;
    double minX = 1e9, maxX = -1e9;
    for (GLint i = 0; i < used;) {
        ASSERT_EQ(buffer[size_t(i)], GLfloat(GL_POLYGON_TOKEN));
        int n = int(buffer[size_t(i + 1)]);
        i += 2;
        bool polygonBelow = false, polygonAbove = false;
        for (int k = 0; k < n; ++k, i += 3) {
            double x = buffer[size_t(i)], y = buffer[size_t(i + 1)];
            if (y < horizon - 0.01) polygonBelow = true;
            if (y > horizon + 0.01) polygonAbove = true;
            if (std::fabs(y - horizon) <= 0.01) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
        }
        EXPECT_FALSE(polygonBelow && polygonAbove) << "a plane crosses the horizon";
        below |= polygonBelow;
        above |= polygonAbove;
    }
    EXPECT_TRUE(below);
    EXPECT_TRUE(above);
    EXPECT_NEAR(minX, width / 2.0 - reach, 0.05);
    EXPECT_NEAR(maxX, width / 2.0 + reach, 0.05);
}

TEST_F(TunnelScene, TheCubeBlendsOverThePlanesWithOneFaceLayer) {
    fillUniform(2, 0, 0, 255, 255);  // blue planes
    fillUniform(3, 255, 0, 0, 128);  // half-transparent red cube
    frameDelta = 0.0;
    drawTunnelFrame();
    std::vector<uint8_t> pixels = frame();
    // Unturned, only the face towards the viewer passes culling: the planes
    // show through it at half strength, not at a quarter (two faces).
    Rgba centre = pixelAt(pixels, width / 2, height / 2);
    EXPECT_NEAR(centre.b, 127, 3);
    EXPECT_GT(centre.r, 20);
    EXPECT_EQ(centre.g, 0);
    // The front face spans 1 / 4 * cot(22.5 deg) of the half-height: 145 pixels.
    Rgba outside = pixelAt(pixels, width / 2 + 150, height / 2);
    EXPECT_EQ(outside.b, 255);
    EXPECT_EQ(outside.r, 0);
    Rgba inside = pixelAt(pixels, width / 2 + 140, height / 2 + 140);
    EXPECT_NEAR(inside.b, 127, 3);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TunnelScene, FacesShowOneColourAtInsetHalfAndRepeatsAtTwoAndAHalf) {
    fillUniform(2, 0, 0, 255, 255);
    // A 4x4 picture: the centre 2x2 texels green, the border grey, opaque.
    std::vector<uint8_t> texels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            bool centre = (x == 1 || x == 2) && (y == 1 || y == 2);
            if (centre)
                texels.insert(texels.end(), {0, 255, 0, 255});
            else
                texels.insert(texels.end(), {128, 128, 128, 255});
        }
    fillSlot(3, 4, texels);
    auto distinctColours = [&](const std::vector<uint8_t>& pixels) {
        std::vector<uint32_t> seen;
        for (int y = height / 2 - 100; y <= height / 2 + 100; y += 5)
            for (int x = width / 2 - 100; x <= width / 2 + 100; x += 5) {
                Rgba p = pixelAt(pixels, x, y);
                uint32_t c = uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
                if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
            }
        return seen.size();
    };
    frameDelta = 0.0;
    drawTunnelFrame();
    std::vector<uint8_t> flat = frame();
    EXPECT_EQ(distinctColours(flat), 1u);
    EXPECT_EQ(pixelAt(flat, width / 2, height / 2).r, 0);  // the centre texel, green

    phase = float(-4 * pi);
    drawTunnelFrame();
    EXPECT_EQ(distinctColours(frame()), 2u);
}
