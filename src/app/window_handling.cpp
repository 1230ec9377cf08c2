// SPDX-License-Identifier: MIT
#include "app/window_handling.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/picture_area.h"
#include "app/shared_state.h"

namespace {
bool escapeHeld = false;
uint32_t viewportChanges = 0;
int drawableWidth = 0, drawableHeight = 0;
PictureArea picture{0, 0, 0, 0};

// Clears one rectangle of the drawable to black, whatever the scenes left
// as clear colour.
void clearToBlack(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    glScissor(x, y, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
}
}  // namespace

void handleWindowEvent(const WindowEvent& event) {
    switch (event.kind) {
        case WindowEvent::Kind::close: postQuit(0); break;
        case WindowEvent::Kind::keyDown:
            if (event.escape) escapeHeld = true;
            // Escape still held: every key-down asks to quit again.
            if (escapeHeld) postQuit(0);
            break;
        case WindowEvent::Kind::keyUp:
            if (event.escape) escapeHeld = false;
            break;
        case WindowEvent::Kind::resize: resizeViewport(event.width, event.height); break;
        default: break;
    }
}

void releaseHeldKeys() { escapeHeld = false; }

void resizeViewport(int width, int height) {
    if (height == 0) height = 1;
    drawableWidth = width;
    drawableHeight = height;
    // The picture keeps its 4:3 shape whatever the drawable's: a wider or
    // taller one gets black bars rather than a stretched picture.
    picture = pictureAreaFor(width, height);
    glViewport(picture.x, picture.y, picture.width, picture.height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The scenes are built for the 4:3 screen size; the viewport has that
    // shape, so its aspect and theirs are one.
    gluPerspective(100.0, screenWidth / double(screenHeight), 8.0, 10000.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ++viewportChanges;
}

void coverPictureBars() {
    const int right = picture.x + picture.width;
    const int top = picture.y + picture.height;
    if (picture.x <= 0 && picture.y <= 0 && right >= drawableWidth && top >= drawableHeight) return;

    // Scenes clear with colours of their own, or only the depth buffer, so
    // the bars are blackened after every frame; the state they set is put
    // back for the next one.
    GLfloat clearColour[4];
    GLint scissorBox[4];
    GLboolean colourMask[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    const GLboolean scissorOn = glIsEnabled(GL_SCISSOR_TEST);

    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    clearToBlack(0, 0, picture.x, drawableHeight);                      // left
    clearToBlack(right, 0, drawableWidth - right, drawableHeight);      // right
    clearToBlack(picture.x, 0, picture.width, picture.y);               // below
    clearToBlack(picture.x, top, picture.width, drawableHeight - top);  // above

    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (!scissorOn) glDisable(GL_SCISSOR_TEST);
}

uint32_t viewportChangeCount() { return viewportChanges; }
