// SPDX-License-Identifier: MIT
// The outline-text scroller: a row of extruded letters rides a travelling
// wave from right to left over a drifting, wobbling picture, and the same
// picture is projected through the letters.
#include "scenes/scroller_scene.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/texture_bank.h"
#include "scenes/scene_gl_state.h"
#include "state/gentle_mode.h"
#include "state/run_state.h"

// Six short phrases, each crossing the screen on its own, so that the eye
// can read it while its letters ride the wave. The scene shows 135 units of
// the row in its 45 seconds: the phrases and their gaps fill the first 107.8
// of them, so the last phrase has left even the far, wide part of the view
// when the scene ends, and the closing run of blanks keeps the screen empty
// until then.
const char scrollText[] =
    "Glimmervandra"
    "                                                        "  // 56 blanks
    "hello friends"
    "                                                        "  // 56 blanks
    "lights drift"
    "                                                        "  // 56 blanks
    "letters wave"
    "                                                        "  // 56 blanks
    "cheers"
    "                                                         "  // 57 blanks
    "adieu"
    "                                                                                        ";  // 88 blanks

int textIndex = 0;
char textWindow[textWindowSize];
float waveTable[waveTableSize];
GLuint fontBase = 0;
GlyphMetricsFloat glyphMetrics[fontListCount];

namespace {

constexpr double piOver100 = 0.031415926535897934;

// The letters' origins lie at depths -9 to -1; at -9 the view reaches 12
// units to the left, so a letter whose origin is past -13 is off the screen.
constexpr float consumeBelow = -13.0f;

// The gentle show dims the background picture, whose bright lights sweep
// across the screen at up to 100 pixels a frame: at 0.34 of its value the
// brightest texel has a luminance below 0.1, so no change of the background,
// whatever the picture, can reach a flash (0.1). The lit letters keep their
// brightness and stand out more.
constexpr float gentleBackgroundLevel = 0.34f;

size_t scrollTextLength() { return std::strlen(scrollText); }

}  // namespace

void buildOutlineFont() {
    fontBase = glGenLists(fontListCount);
    // Codes 0 to 254; the last reserved list stays empty and entry 255 of
    // the metrics stays zero, so code 255 draws nothing and advances nothing.
    glyphMetrics[fontListCount - 1] = GlyphMetricsFloat{};
    if (fontBase == 0) {
        // No 256 free list names: letters without lists, as with no font.
        for (GlyphMetricsFloat& m : glyphMetrics) m = GlyphMetricsFloat{};
        std::fprintf(stderr, "Outline font: no display lists could be reserved; the letters will not be drawn.\n");
        return;
    }
    useFontOutlines(outlineFontPattern, 0, fontListCount - 1, fontBase, 0.8f, 0.2f, glyphMetrics);
}

void deleteOutlineFont() {
    // Only the block the set-up reserved, and only once: names deleted here
    // may be handed out again, and must not be deleted a second time.
    if (fontBase == 0) return;
    glDeleteLists(fontBase, fontListCount);
    fontBase = 0;
}

void buildWaveTable() {
    for (int k = 0; k < waveTableSize; ++k) waveTable[k] = static_cast<float>((4.0 * k) * piOver100);
}

void advanceTextWindow() {
    const size_t length = scrollTextLength();
    if (phase < consumeBelow) {
        // The leading letter has left the screen: drop it and move the row's
        // origin to where the next letter starts. One per frame at most.
        unsigned char gone = static_cast<unsigned char>(scrollText[size_t(textIndex) % length]);
        ++textIndex;
        phase = phase + glyphMetrics[gone].gmfCellIncX;
    }
    for (int i = 0; i < textWindowSize; ++i) textWindow[i] = scrollText[(size_t(textIndex) + size_t(i)) % length];
}

void advanceWave() {
    const double step = 5.0 * frameDelta.load();
    for (float& angle : waveTable) angle = static_cast<float>(angle + step);
}

void drawScrollerBackground() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    bindTextureSlot(lightsSlot);
    const bool gentle = gentleMode();
    if (gentle) {
        // The quad is unlit: the current colour scales the texels.
        glPushAttrib(GL_CURRENT_BIT);
        glColor3f(gentleBackgroundLevel, gentleBackgroundLevel, gentleBackgroundLevel);
    }
    const float u = texShiftU, v = texShiftV;
    const float w = float(screenWidth), h = float(screenHeight);
    // Counter-clockwise on the screen (y runs downwards here), so the quad
    // is a front face under the scene's culling.
    glBegin(GL_QUADS);
    glTexCoord2f(u, v);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(u, v + 1.0f);
    glVertex3f(0.0f, h, 0.0f);
    glTexCoord2f(u + 1.0f, v + 1.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(u + 1.0f, v);
    glVertex3f(w, 0.0f, 0.0f);
    glEnd();
    if (gentle) glPopAttrib();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

void drawScrollerText(const char* letters) {
    // Eye-linear generation with the initial planes: s = x and t = y in eye
    // space, which the texture matrix turns into the sliding picture.
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontBase);
    float sum = 0.0f;
    for (int i = 0; i < textWindowSize; ++i) {
        // Codes from 128 up are glyphs 128..255, never negative indices.
        const GLubyte code = static_cast<GLubyte>(letters[i]);
        // Indexed by text position, so a letter keeps its angle while it
        // moves through the window.
        const double w = waveTable[(size_t(textIndex) + size_t(i)) % waveTableSize];
        bindTextureSlot(lightsSlot);
        glLoadIdentity();
        glTranslatef(phase + sum, 0.0f, -5.0f);
        glTranslatef(0.0f, float(2.0 * std::sin(w)), float(4.0 * std::cos(w)));
        glRotatef(float(80.0 * std::sin(w)), 1.0f, 0.0f, 0.0f);
        glTranslatef(0.0f, float(-0.5 * glyphMetrics[code].gmfBlackBoxY), 0.0f);
        if (fontBase != 0) glCallLists(1, GL_UNSIGNED_BYTE, &code);
        sum = sum + glyphMetrics[code].gmfCellIncX;
    }
    glPopAttrib();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

int setupScrollerScene() {
    buildOutlineFont();
    buildWaveTable();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.9f, 0.8f, 1.0f, 1.0f);
    glClearDepth(100.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    loadScenePerspective(90.0, 0.1, 100.0);
    setLight0AtEye();
    enableLitTexturing();
    return 1;
}

int drawScrollerFrame() {
    const double b = bgPhase;
    const double delta = frameDelta.load();
    texShiftU = static_cast<float>(std::cos(b + 0.6 * std::sin(0.2 * b) * std::cos(5.0 * b) + 3.0 * std::cos(0.5 * b)));
    texShiftV = static_cast<float>(
        std::sin(b + (5.0 / 7.0) * std::cos(b * (1.0 / 7.0)) * std::sin(2.0 * b) + 2.0 * std::sin(b * (1.0 / 3.0))));
    phase = static_cast<float>(phase - 3.0 * delta);
    bgPhase = static_cast<float>(bgPhase - 2.0 * delta);
    advanceTextWindow();
    advanceWave();

    // The background covers the whole screen, so only depth needs clearing.
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, screenWidth, screenHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawScrollerBackground();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The picture slides through the letters as bgPhase falls.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(0.6f, 0.6f, 0.6f);
    glTranslatef(-bgPhase, 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_LIGHTING);
    drawScrollerText(textWindow);
    glDisable(GL_LIGHTING);

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glFlush();
    return 1;
}

Scene scrollerScene() {
    Scene scene;
    scene.name = "scroller";
    scene.setUp = [] {
        resetAnimationState();
        phase = 15.0f;
        setupScrollerScene();
    };
    scene.frame = [] { drawScrollerFrame(); };
    scene.tearDown = deleteOutlineFont;
    scene.reset = [] { textIndex = 0; };
    return scene;
}
