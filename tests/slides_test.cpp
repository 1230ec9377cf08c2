// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "app/timeline.h"
#include "app/window_handling.h"
#include "assets/texture_bank.h"
#include "platform/window_events.h"
#include "scenes/slides.h"
#include "state/run_state.h"
#include "support/gl_test.h"

namespace {

// A 512x256 picture in four quadrants, rows bottom first as the TGA loader
// hands them over: bottom-left red, bottom-right green, top-left blue,
// top-right yellow.
GLuint makeQuadrantTexture() {
    const int w = 512, h = 256;
    std::vector<uint8_t> pixels(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
            const bool top = y >= h / 2, right = x >= w / 2;
            p[0] = (!top && !right) || (top && right) ? 255 : 0;
            p[1] = (!top && right) || (top && right) ? 255 : 0;
            p[2] = top && !right ? 255 : 0;
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

bool same(Rgba p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }

class Slides : public GlTest {
protected:
    void TearDown() override {
        for (auto& slot : textureBank) slot.textureId = 0;
        GlTest::TearDown();
    }
};

// Slides inside the programme: the timeline with the real slides, fed the
// window's resize events the way the frame loop answers them.
class SlidesOnTheTimeline : public Slides {
protected:
    void SetUp() override {
        Slides::SetUp();
        resetRun();
    }
    void TearDown() override {
        resetRun();
        Slides::TearDown();
    }
    static void resizeEvent(int w, int h) { handleWindowEvent(WindowEvent::resized(w, h)); }
    // Counts the quadrant colours in a w x h corner at the bottom-left, where
    // GL puts a smaller viewport; all four must fill their quarter of it.
    int wrongQuadrantPixels(int w, int h) const {
        auto pixels = frame();
        int wrong = 0;
        for (int y = 0; y < h; y += 3)
            for (int x = 0; x < w; x += 3) {
                const bool top = y < h / 2, right = x >= w / 2;
                Rgba p = pixelAt(pixels, x, height - h + y);
                bool ok = !top && !right  ? same(p, 255, 0, 0)
                          : !top && right ? same(p, 0, 255, 0)
                          : top && !right ? same(p, 0, 0, 255)
                                          : same(p, 255, 255, 0);
                wrong += !ok;
            }
        return wrong;
    }
};

}  // namespace

TEST_F(Slides, StretchThePictureUprightOverEveryPixel) {
    textureBank[7].textureId = makeQuadrantTexture();
    beginSlideMode();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // lilac, which must not show anywhere
    drawSlide(7);
    // A second call without beginSlideMode must draw the same picture: the
    // slide turns texturing back on itself.
    drawSlide(7);

    auto pixels = frame();
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool top = y < height / 2, right = x >= width / 2;
            Rgba p = pixelAt(pixels, x, y);
            bool ok = !top && !right  ? same(p, 255, 0, 0)
                      : !top && right ? same(p, 0, 255, 0)
                      : top && !right ? same(p, 0, 0, 255)
                                      : same(p, 255, 255, 0);
            if (!ok && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << int(p.r) << "," << int(p.g) << "," << int(p.b);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Slides, SlotWithoutPictureDrawsPlainWhite) {
    for (int slot : {11, 12, -1}) {  // 11 never uploaded; 12 and -1 lie outside the bank
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        beginSlideMode();
        drawSlide(slot);
        auto pixels = frame();
        for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {320, 240}})
            EXPECT_TRUE(same(pixelAt(pixels, x, y), 255, 255, 255)) << "slot " << slot << " at " << x << "," << y;
    }
}

TEST_F(Slides, LeaveTheStateTheScenesStartFrom) {
    // Start from a state unlike the slide's, as a 3D scene would leave it.
    glFrontFace(GL_CW);
    glDepthFunc(GL_LESS);
    glShadeModel(GL_FLAT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);

    beginSlideMode();
    GLint mode = 0, frontFace = 0, depthFunc = 0, shade = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(frontFace, GL_CCW);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4], clear[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_NEAR(clear[0], 0.9f, 1e-6);
    EXPECT_NEAR(clear[1], 0.8f, 1e-6);
    EXPECT_NEAR(clear[2], 1.0f, 1e-6);

    // One unit per pixel, origin top-left: (640, 480) maps to clip (1, -1).
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0] * 640 + projection[12], 1.0, 1e-6);
    EXPECT_NEAR(projection[5] * 480 + projection[13], -1.0, 1e-6);
    EXPECT_NEAR(projection[13], 1.0, 1e-6);

    drawSlide(5);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A resize loads the scenes' perspective projection. A slide showing
// across it, the title included (SDL hands the window's first resize to
// the frame loop after the title's set-up), must go on filling the window.
TEST_F(SlidesOnTheTimeline, StayDrawnOverThePictureAfterAResize) {
    textureBank[titleSlot].textureId = makeQuadrantTexture();
    textureBank[meadowCardSlot].textureId = textureBank[titleSlot].textureId;
    elapsed = 0.0;
    ASSERT_EQ(timelineStep(), 1);

    resizeEvent(640, 480);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    timelineStep();
    EXPECT_EQ(wrongQuadrantPixels(640, 480), 0) << "title after the creation-time resize";

    // The window made smaller: the whole picture scaled into it.
    resizeEvent(320, 240);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    timelineStep();
    EXPECT_EQ(wrongQuadrantPixels(320, 240), 0) << "title in a 320x240 window";

    // The same on a later slide row, entered before the resize.
    storeTimelineValues(0.0, 1000.0);
    ASSERT_EQ(timelineStep(), 2);
    resizeEvent(640, 480);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    timelineStep();
    EXPECT_EQ(wrongQuadrantPixels(640, 480), 0) << "slide 6 after a resize";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A slide puts its flat projection back after a resize, and only then:
// between resizes the projection it loaded is still in place.
TEST_F(SlidesOnTheTimeline, ASlideReloadsItsProjectionOnlyAfterASizeMessage) {
    const Scene slide = slideScene("slide", 5);
    auto flat = [] {
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        return m[11] == 0.0f;  // a perspective projection puts -1 there
    };
    slide.setUp();
    EXPECT_TRUE(flat());
    resizeEvent(800, 600);
    EXPECT_FALSE(flat());
    slide.frame();
    EXPECT_TRUE(flat()) << "after a resize";

    glMatrixMode(GL_PROJECTION);
    gluPerspective(90.0, 1.0, 1.0, 10.0);  // a stand-in for a reload to be seen
    glMatrixMode(GL_MODELVIEW);
    slide.frame();
    EXPECT_FALSE(flat()) << "reloaded without a resize";
}

// The programme's picture rows show the title, the five cards and the
// credits, in that order.
TEST_F(SlidesOnTheTimeline, ThePictureRowsShowTheirSlotsInProgrammeOrder) {
    for (int slot = 0; slot < textureBankSize; ++slot) textureBank[slot].textureId = GLuint(100 + slot);
    std::vector<int> shown;
    for (int row = 1; row <= timelineRowCount(); ++row) {
        if (timelineRow(row).kind == RowKind::scene) continue;
        timelineRow(row).scene.setUp();
        timelineRow(row).scene.frame();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        shown.push_back(bound - 100);
    }
    const std::vector<int> expected = {titleSlot,       meadowCardSlot, solidCardSlot, scrollerCardSlot,
                                       fractalCardSlot, morphCardSlot,  creditsSlot};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(expected, std::vector<int>({5, 6, 7, 8, 9, 10, 11}));
    for (int slot = 0; slot < textureBankSize; ++slot) textureBank[slot].textureId = 0;
}
