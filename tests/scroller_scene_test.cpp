// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/timeline.h"
#include "assets/texture_bank.h"
#include "scenes/scroller_scene.h"
#include "state/run_state.h"
#include "support/gl_test.h"

namespace {

const std::string text(scrollText);
const size_t textLength = text.size();

// A texture of one colour in a bank slot.
void fillSlot(int slot, uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t texels[4 * 4] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
    glGenTextures(1, &textureBank[slot].textureId);
    glBindTexture(GL_TEXTURE_2D, textureBank[slot].textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
}

class ScrollerScene : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        phase = 15.0f;
    }
    void TearDown() override {
        clearTextureBank();
        GlTest::TearDown();
    }

    // Draws one row of letters on black, nothing else, and returns the frame.
    std::vector<uint8_t> drawRow(const std::string& letters, int index, float rowPhase) {
        std::string row = letters;
        row.resize(textWindowSize, ' ');
        textIndex = index;
        phase = rowPhase;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_LIGHTING);
        drawScrollerText(row.data());
        glDisable(GL_LIGHTING);
        return frame();
    }

    static int litPixels(const std::vector<uint8_t>& pixels) {
        int lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) > 8;
        return lit;
    }
};

}  // namespace

TEST(ScrollText, HasTheFormOfPhrasesSeparatedByBlankRuns) {
    ASSERT_EQ(textLength, 430u);
    for (char c : text) EXPECT_TRUE(c >= 32 && c <= 126) << int(c);
    ASSERT_NE(text.front(), ' ');
    // Split into phrases (single blanks inside) and runs of blanks.
    std::vector<size_t> runs;
    std::vector<std::string> phrases;
    size_t i = 0;
    while (i < text.size()) {
        size_t start = i;
        while (i < text.size() && !(text[i] == ' ' && (i + 1 == text.size() || text[i + 1] == ' '))) ++i;
        phrases.push_back(text.substr(start, i - start));
        start = i;
        while (i < text.size() && text[i] == ' ') ++i;
        runs.push_back(i - start);
    }
    ASSERT_GE(phrases.size(), 3u);
    ASSERT_EQ(runs.size(), phrases.size());
    EXPECT_EQ(runs.back(), 88u);
    for (size_t k = 0; k + 1 < runs.size(); ++k) {
        EXPECT_GE(runs[k], 10u) << "run " << k;
        EXPECT_LE(runs[k], 61u) << "run " << k;
    }
    for (const std::string& p : phrases) {
        EXPECT_FALSE(p.empty());
        EXPECT_LE(p.size(), 60u) << p;
    }
    EXPECT_NE(text.find("Glimmervandra"), std::string::npos);
}

TEST_F(ScrollerScene, TheWindowReadsTheTextCyclically) {
    const int length = int(text.size());
    textIndex = length - 30;
    phase = 0.0f;
    advanceTextWindow();
    EXPECT_EQ(textIndex, length - 30);
    EXPECT_EQ(std::string(textWindow, 30), text.substr(size_t(length - 30), 30));
    EXPECT_EQ(std::string(textWindow + 30, 70), text.substr(0, 70));

    // Consuming the last character wraps to the start of the text.
    textIndex = length - 1;
    phase = -20.0f;
    advanceTextWindow();
    EXPECT_EQ(textIndex, length);
    EXPECT_EQ(std::string(textWindow, textWindowSize), text.substr(0, textWindowSize));
}

TEST_F(ScrollerScene, ConsumesAtMostOneCharacterPerFrame) {
    setupScrollerScene();
    // Exactly at the threshold nothing goes.
    phase = -13.0f;
    advanceTextWindow();
    EXPECT_EQ(textIndex, 0);
    EXPECT_EQ(phase, -13.0f);

    // Far past it, one character per call, each paying back its own advance.
    phase = -100.0f;
    advanceTextWindow();
    EXPECT_EQ(textIndex, 1);
    EXPECT_FLOAT_EQ(phase, -100.0f + glyphMetrics[uint8_t(text[0])].gmfCellIncX);
    float before = phase;
    advanceTextWindow();
    EXPECT_EQ(textIndex, 2);
    EXPECT_FLOAT_EQ(phase, before + glyphMetrics[uint8_t(text[1])].gmfCellIncX);
    EXPECT_EQ(std::string(textWindow, textWindowSize), text.substr(2, textWindowSize));

    // The same holds through whole frames, even with the clock standing still.
    frameDelta = 0.0;
    phase = -50.0f;
    drawScrollerFrame();
    EXPECT_EQ(textIndex, 3);
    drawScrollerFrame();
    EXPECT_EQ(textIndex, 4);
}

TEST_F(ScrollerScene, FirstFrameStartsRightOfTheScreenWithTheTextsStart) {
    setupScrollerScene();
    EXPECT_FLOAT_EQ(waveTable[99], float(3.96 * M_PI));
    frameDelta = 0.02;
    drawScrollerFrame();
    EXPECT_EQ(phase, float(15.0f - 3 * 0.02));
    EXPECT_EQ(bgPhase, float(-2 * 0.02));
    EXPECT_EQ(textIndex, 0);
    EXPECT_EQ(std::string(textWindow, textWindowSize), text.substr(0, textWindowSize));
    EXPECT_EQ(waveTable[10], float(float(40 * 0.031415926535897934) + 5 * 0.02));
    // texShiftU/V come from bgPhase as the frame began (zero).
    EXPECT_EQ(texShiftU, float(std::cos(3.0)));
    EXPECT_EQ(texShiftV, 0.0f);
}

TEST_F(ScrollerScene, ALetterKeepsItsWaveAngleWhenItMovesToTheFront) {
    setupScrollerScene();
    const float space = glyphMetrics[' '].gmfCellIncX;
    // 'W' in entry 1 behind a blank, then in entry 0 after the blank was
    // consumed: the row's origin moved up by the blank's advance.
    std::vector<uint8_t> second = drawRow(" W", 37, -2.0f);
    std::vector<uint8_t> first = drawRow("W", 38, -2.0f + space);
    EXPECT_GT(litPixels(first), 500);
    EXPECT_TRUE(first == second);
    // Had the angle followed the window entry, the letter would have moved.
    EXPECT_TRUE(drawRow("W", 37, -2.0f + space) != second);

    // The same across the end of the table (text position 99 -> 100).
    EXPECT_TRUE(drawRow(" W", 98, 0.0f) == drawRow("W", 99, space));
}

TEST_F(ScrollerScene, HighCodesAreUnsignedAndCode255IsEmpty) {
    setupScrollerScene();
    EXPECT_EQ(glyphMetrics[255].gmfCellIncX, 0.0f);
    EXPECT_EQ(glyphMetrics[255].gmfBlackBoxY, 0.0f);
    EXPECT_GT(glyphMetrics[0xC9].gmfBlackBoxY, glyphMetrics['E'].gmfBlackBoxY);

    // 'É' (0xC9) draws its own glyph: more than plain 'E'.
    int accented = litPixels(drawRow(std::string(1, char(0xC9)), 0, -1.0f));
    int plain = litPixels(drawRow("E", 0, -1.0f));
    EXPECT_GT(plain, 300);
    EXPECT_GT(accented, plain);

    // Code 255 in front of a letter draws nothing and takes no room.
    EXPECT_TRUE(drawRow(std::string(1, char(0xFF)) + "W", 10, -1.0f) == drawRow("W", 11, -1.0f));
    EXPECT_EQ(litPixels(drawRow(std::string(textWindowSize, char(0xFF)), 0, -3.0f)), 0);
}

TEST_F(ScrollerScene, BackgroundCoversTheScreenAndStateIsHandedBack) {
    fillSlot(1, 0, 255, 0);
    setupScrollerScene();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    frameDelta = 0.01;
    drawScrollerFrame();
    std::vector<uint8_t> pixels = frame();
    for (auto [x, y] : {std::pair{1, 1}, {638, 1}, {1, 478}, {638, 478}, {320, 20}}) {
        Rgba p = pixelAt(pixels, x, y);
        EXPECT_EQ(p.r, 0) << x << "," << y;
        EXPECT_EQ(p.g, 255) << x << "," << y;
    }
    // What the next frame and the overlay rely on.
    GLfloat texture[16], projection[16];
    glGetFloatv(GL_TEXTURE_MATRIX, texture);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texture[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_NEAR(projection[0], 0.75f, 1e-6);  // the 90-degree perspective, not the ortho
    EXPECT_NEAR(projection[5], 1.0f, 1e-6);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint listBase = -1, mode = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(listBase, 0);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ScrollerScene, NothingMovesWhileTheClockStandsStill) {
    // A picture with structure, so that a sliding background would show.
    const uint8_t texels[4 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    glGenTextures(1, &textureBank[lightsSlot].textureId);
    glBindTexture(GL_TEXTURE_2D, textureBank[lightsSlot].textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    setupScrollerScene();
    phase = -2.0f;
    frameDelta = 0.05;
    drawScrollerFrame();

    frameDelta = 0.0;
    drawScrollerFrame();
    std::vector<uint8_t> still = frame();
    const float phaseBefore = phase, bgBefore = bgPhase, wave0 = waveTable[0];
    drawScrollerFrame();
    EXPECT_TRUE(frame() == still);
    EXPECT_EQ(phase, phaseBefore);
    EXPECT_EQ(bgPhase, bgBefore);
    EXPECT_EQ(waveTable[0], wave0);
    EXPECT_EQ(textIndex, 0);

    frameDelta = 0.05;
    drawScrollerFrame();
    EXPECT_TRUE(frame() != still);
}

TEST_F(ScrollerScene, TheFontListsAreReservedAndDeletedAsABlockOf256) {
    setupScrollerScene();
    const GLuint base = fontBase;
    ASSERT_NE(base, 0u);
    EXPECT_TRUE(glIsList(base + 'A'));
    EXPECT_TRUE(glIsList(base + 254));
    deleteOutlineFont();
    for (GLuint c = 0; c < 255; ++c) EXPECT_FALSE(glIsList(base + c)) << c;

    // A second deletion must not take a list that uses one of the names since.
    const GLuint other = base + 10;
    glNewList(other, GL_COMPILE);
    glEndList();
    ASSERT_TRUE(glIsList(other));
    deleteOutlineFont();
    EXPECT_TRUE(glIsList(other));
    glDeleteLists(other, 1);
}

// The scene as its row holds it: it starts from reset accumulators with the
// letters' phase at 15 whatever the scene before left, its tear-down is the
// font's deletion, and its reset starts the next run at the text's start.
TEST_F(ScrollerScene, TheSceneValueStartsFromItsOwnPhaseReleasesItsFontAndRewindsOnReset) {
    const Scene scene = scrollerScene();
    rotY = 7.0f;
    phase = 3.0f;
    texShiftU = 0.5f;
    scene.setUp();
    EXPECT_EQ(phase, 15.0f);
    EXPECT_EQ(rotY, 0.0f);
    EXPECT_EQ(texShiftU, 0.0f);
    const GLuint base = fontBase;
    ASSERT_TRUE(glIsList(base + 'A'));
    scene.tearDown();
    EXPECT_FALSE(glIsList(base + 'A'));

    textIndex = 57;
    scene.reset();
    EXPECT_EQ(textIndex, 0);
}
