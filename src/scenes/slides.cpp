// SPDX-License-Identifier: MIT
// Picture slides: one texture of the bank stretched over the whole window.
#include "scenes/slides.h"

#include <GL/gl.h>

#include <cstdint>

#include "assets/texture_bank.h"
#include "scenes/viewport.h"
#include "state/run_state.h"

namespace {
// The viewport's change count when a slide last loaded its projection.
uint32_t projectionLoadedAt = 0;
}  // namespace

void loadSlideProjection() {
    // One unit per pixel of the 640x480 screen, origin top-left, y growing
    // downward; the viewport maps it onto whatever size the window has.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, screenWidth, screenHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void beginSlideMode() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.9f, 0.8f, 1.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);

    loadSlideProjection();

    glFrontFace(GL_CCW);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void drawSlide(int slot) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    // A slot outside the bank has no picture: texture name 0 draws the quad
    // plain white, the same as a slot whose picture failed to load.
    GLuint texture = (slot >= 0 && slot < textureBankSize) ? textureBank[slot].textureId : 0;
    glBindTexture(GL_TEXTURE_2D, texture);

    // Counter-clockwise on screen, so it is a front face under the culling
    // beginSlideMode enabled. t = 0 at the bottom: TGA rows start at the
    // bottom, so the picture shows upright.
    const float w = float(screenWidth);
    const float h = float(screenHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(w, h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(w, 0.0f);
    glEnd();

    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

Scene slideScene(const char* name, int slot) {
    Scene scene;
    scene.name = name;
    scene.setUp = [] {
        beginSlideMode();
        projectionLoadedAt = viewportChangeCount();
    };
    scene.frame = [slot] {
        if (projectionLoadedAt != viewportChangeCount()) {
            loadSlideProjection();
            projectionLoadedAt = viewportChangeCount();
        }
        drawSlide(slot);
    };
    scene.reset = [] { projectionLoadedAt = viewportChangeCount(); };
    return scene;
}
