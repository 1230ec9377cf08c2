// SPDX-License-Identifier: MIT
// The sound level meter: drawn in screen pixels over whatever the frame
// holds, and leaving the GL state in the same condition after every frame,
// which the scenes rely on at the start of their next frame.
#include "scenes/level_meter.h"

#include <GL/gl.h>

#include "state/run_state.h"

void drawLevelMeter(uint32_t level) {
    // The bars are wound counter-clockwise on screen; make sure they are
    // front faces whatever winding the scene uses, and give its setting back.
    GLint savedFrontFace = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &savedFrontFace);
    glFrontFace(GL_CCW);

    // Always screenWidth x screenHeight units, stretched over the viewport,
    // so the bars keep their place in the picture when the window is resized.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, screenWidth, screenHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 0.3f);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);

    const float left = float(level & 0xffffu);
    const float right = float(level >> 16);
    const double w = screenWidth;
    const double h = screenHeight;

    // Each bar stands on y = H - 10 and is level + 1 pixels tall, so even
    // silence shows as a one-pixel line.
    glBegin(GL_QUADS);
    glVertex3f(float(w - 55), float(h - 10), 0.0f);
    glVertex3f(float(w - 35), float(h - 10), 0.0f);
    glVertex3f(float(w - 35), float(h - 11 - left), 0.0f);
    glVertex3f(float(w - 55), float(h - 11 - left), 0.0f);
    glEnd();
    glBegin(GL_QUADS);
    glVertex3f(float(w - 30), float(h - 10), 0.0f);
    glVertex3f(float(w - 10), float(h - 10), 0.0f);
    glVertex3f(float(w - 10), float(h - 11 - right), 0.0f);
    glVertex3f(float(w - 30), float(h - 11 - right), 0.0f);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);

    glFrontFace(GLenum(savedFrontFace));

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
