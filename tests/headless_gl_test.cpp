// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include "platform/headless_gl.h"
#include "support/gl_test.h"

using HeadlessGl = GlTest;

TEST_F(HeadlessGl, ClearsAndReadsBackTopRowFirst) {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A green band over the top quarter of the screen.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(0, 120);
    glVertex2f(640, 120);
    glVertex2f(640, 0);
    glEnd();
    auto pixels = frame();
    Rgba top = pixelAt(pixels, 10, 10);
    Rgba bottom = pixelAt(pixels, 10, 470);
    EXPECT_EQ(top.g, 255);
    EXPECT_EQ(top.r, 0);
    EXPECT_EQ(bottom.r, 255);
    EXPECT_EQ(bottom.g, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(HeadlessGlContext, CanBeCreatedTwiceInOneProcess) {
    ASSERT_TRUE(createHeadlessContext(64, 48)) << headlessGlError();
    destroyHeadlessContext();
    ASSERT_TRUE(createHeadlessContext(64, 48)) << headlessGlError();
    EXPECT_TRUE(headlessContextCurrent());
    destroyHeadlessContext();
    EXPECT_FALSE(headlessContextCurrent());
}
