// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include <cstdint>

#include "scenes/level_meter.h"
#include "support/gl_test.h"

namespace {

class LevelMeter : public GlTest {
protected:
    // Clears to grey 100, draws the meter with the given level and checks that
    // exactly the two bars' pixels are lit: x 585-604 and 610-629, rows
    // 469 - level up to 469 (on screen, top row 0).
    void expectBars(uint16_t left, uint16_t right) {
        glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawLevelMeter(uint32_t(left) | uint32_t(right) << 16);
        auto pixels = frame();
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool inLeft = x >= 585 && x < 605 && y <= 469 && y >= 469 - int(left);
                const bool inRight = x >= 610 && x < 630 && y <= 469 && y >= 469 - int(right);
                // 30 % white over grey 100: 0.3 x 255 + 0.7 x 100 = 146.5.
                const Rgba p = pixelAt(pixels, x, y);
                const bool lit = p.r >= 145 && p.r <= 148 && p.g == p.r && p.b == p.r;
                const bool untouched = p.r == 100 && p.g == 100 && p.b == 100;
                if ((inLeft || inRight) ? !lit : !untouched) {
                    if (++wrong <= 5)
                        ADD_FAILURE() << "levels " << left << "/" << right << ": pixel " << x << "," << y << " is "
                                      << int(p.r) << "," << int(p.g) << "," << int(p.b);
                }
            }
        EXPECT_EQ(wrong, 0);
    }
};

}  // namespace

TEST_F(LevelMeter, BarsStandOnTheBottomLineLevelPlusOnePixelsTall) {
    expectBars(0, 0);  // silence: one-pixel lines, not absent
    expectBars(40, 100);
    expectBars(128, 7);  // full scale: 129 pixels
}

TEST_F(LevelMeter, ErrorLevelRunsBothBarsOffTheTop) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawLevelMeter(0xffffffffu);
    auto pixels = frame();
    for (int x : {585, 604, 610, 629}) {
        EXPECT_GT(pixelAt(pixels, x, 0).r, 70) << x;
        EXPECT_GT(pixelAt(pixels, x, 469).r, 70) << x;
        EXPECT_EQ(pixelAt(pixels, x, 470).r, 0) << x;
    }
    EXPECT_EQ(pixelAt(pixels, 607, 300).r, 0);
}

// Whatever a scene leaves, the meter draws its bars (front faces under its
// own winding, depth test off) and hands the next frame the same state.
TEST_F(LevelMeter, LeavesTheSameStateWhateverCameBefore) {
    const uint32_t level = 10 | 20u << 16;
    for (int variant = 0; variant < 2; ++variant) {
        const bool scenelike = variant == 0;
        glEnable(GL_CULL_FACE);
        glFrontFace(scenelike ? GL_CW : GL_CCW);
        glCullFace(GL_BACK);
        if (scenelike) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_LIGHTING);
            glEnable(GL_DEPTH_TEST);
        } else {
            glDisable(GL_BLEND);
            glEnable(GL_TEXTURE_2D);
            glEnable(GL_LIGHTING);
            glDisable(GL_DEPTH_TEST);
        }
        glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1, 1, -0.75, 0.75, 1 + variant, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.0f, 2.0f, -3.0f - variant);
        glRotatef(30.0f, 0, 1, 0);
        if (scenelike) glMatrixMode(GL_PROJECTION);  // a scene may leave the projection selected

        GLdouble projectionBefore[16], modelviewBefore[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelviewBefore);

        // A depth buffer at 0 would hide the bars if the depth test stayed on.
        glClearDepth(0.0);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        drawLevelMeter(level);

        const Rgba bar = pixel(590, 465);
        EXPECT_GE(bar.r, 75);
        EXPECT_LE(bar.r, 78);

        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        GLint src = 0, dst = 0, frontFace = 0, mode = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        glGetIntegerv(GL_FRONT_FACE, &frontFace);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(src, GL_SRC_ALPHA);
        EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
        EXPECT_EQ(frontFace, scenelike ? GL_CW : GL_CCW);
        EXPECT_EQ(mode, GL_MODELVIEW);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], 1.0f);
        EXPECT_FLOAT_EQ(colour[1], 1.0f);
        EXPECT_FLOAT_EQ(colour[2], 1.0f);
        EXPECT_FLOAT_EQ(colour[3], 0.3f);

        GLdouble projectionAfter[16], modelviewAfter[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelviewAfter);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(projectionAfter[i], projectionBefore[i]) << i;
            EXPECT_EQ(modelviewAfter[i], modelviewBefore[i]) << i;
        }
        GLint projectionDepth = 0, modelviewDepth = 0;
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
        EXPECT_EQ(projectionDepth, 1);
        EXPECT_EQ(modelviewDepth, 1);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}
