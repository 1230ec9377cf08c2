// SPDX-License-Identifier: MIT
// A white lit solid spinning about all three axes, pyramid and cube taking
// turns every five seconds of programme time. The front material set on each
// frame stays in the context: the scroller's letters and the tunnel's cube
// are lit with it later, since neither sets one.
#include "scenes/cube_pyramid_scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "scenes/scene_gl_state.h"
#include "state/run_state.h"

namespace {

void setLightAndMaterial() {
    const GLfloat lightAmbient[] = {0.1f, 0.1f, 0.1f, 1.0f};
    const GLfloat lightDiffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat lightPosition[] = {0.0f, 0.0f, -200.0f, 1.0f};
    setLight0(lightAmbient, lightDiffuse, lightSpecular, lightPosition);
    // The material takes the light's own colours.
    setFrontMaterial(lightAmbient, lightDiffuse, lightSpecular, 1.0f);
}

// The side normals point below the horizontal (y = -1/sqrt 5), not along the
// faces' geometric normals; sides 1 to 3 divide by sqrt 5 taken in single
// precision, side 4 by sqrt 5 in double precision.
void drawPyramid() {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, -1.0f, 0.0f);
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);
    glVertex3f(100.0f, -100.0f, 100.0f);
    glEnd();

    const double rootSingle = std::sqrt(5.0f);
    const double rootDouble = std::sqrt(5.0);
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, float(-1.0 / rootSingle), float(-2.0 / rootSingle));
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(0.0f, 100.0f, 0.0f);

    glNormal3f(float(-2.0 / rootSingle), float(-1.0 / rootSingle), 0.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);
    glVertex3f(0.0f, 100.0f, 0.0f);

    glNormal3f(float(2.0 / rootSingle), float(-1.0 / rootSingle), 0.0f);
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, -100.0f, 100.0f);
    glVertex3f(0.0f, 100.0f, 0.0f);

    glNormal3f(0.0f, float(-1.0 / rootDouble), float(2.0 / rootDouble));
    glVertex3f(100.0f, -100.0f, 100.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);
    glVertex3f(0.0f, 100.0f, 0.0f);
    glEnd();
}

void drawCube() {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, -1.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, 100.0f, -100.0f);
    glVertex3f(-100.0f, 100.0f, -100.0f);

    glNormal3f(0.0f, -1.0f, 0.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, -100.0f, 100.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);

    glNormal3f(1.0f, 0.0f, 0.0f);
    glVertex3f(100.0f, -100.0f, -100.0f);
    glVertex3f(100.0f, 100.0f, -100.0f);
    glVertex3f(100.0f, 100.0f, 100.0f);
    glVertex3f(100.0f, -100.0f, 100.0f);

    glNormal3f(0.0f, 1.0f, 0.0f);
    glVertex3f(100.0f, 100.0f, -100.0f);
    glVertex3f(-100.0f, 100.0f, -100.0f);
    glVertex3f(-100.0f, 100.0f, 100.0f);
    glVertex3f(100.0f, 100.0f, 100.0f);

    glNormal3f(-1.0f, 0.0f, 0.0f);
    glVertex3f(-100.0f, 100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, -100.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);
    glVertex3f(-100.0f, 100.0f, 100.0f);

    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(-100.0f, -100.0f, 100.0f);
    glVertex3f(100.0f, -100.0f, 100.0f);
    glVertex3f(100.0f, 100.0f, 100.0f);
    glVertex3f(-100.0f, 100.0f, 100.0f);
    glEnd();
}

}  // namespace

bool pyramidShowsAt(double elapsedSeconds) {
    // Whole seconds (truncated), then whole five-second blocks: even blocks
    // show the pyramid. Out-of-range times count as block 0 rather than
    // overflowing the integer conversion.
    const double whole = std::trunc(elapsedSeconds);
    if (!(whole >= -9.0e18 && whole <= 9.0e18)) return true;
    const long long block = static_cast<long long>(whole) / 5;
    return block % 2 == 0;
}

bool setupCubePyramidScene() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glClearColor(0.9f, 0.8f, 1.0f, 1.0f);
    gluPerspective(100.0, double(screenWidth) / double(screenHeight), 8.0, 300.0);
    glClearDepth(300.0);  // clamped to 1 by GL
    // The viewing transform goes into the projection matrix: the modelview
    // holds only the solid's rotations, so the light at (0, 0, -200) stays
    // between the eye and the solid.
    gluLookAt(0.0, 0.0, -250.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glDisable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
    return true;
}

bool drawCubePyramidFrame() {
    rotY = float(double(rotY) + 33.0 * frameDelta.load());
    drawCubePyramidAt(elapsed.load(), rotY);
    return true;
}

void drawCubePyramidAt(double elapsedSeconds, float spinDegrees) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setLightAndMaterial();  // under the identity: the light stays put

    glRotatef(spinDegrees, 1.0f, 0.0f, 0.0f);
    glRotatef(spinDegrees, 0.0f, 1.0f, 0.0f);
    glRotatef(spinDegrees, 0.0f, 0.0f, 1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);  // the level meter turns it back on every frame

    if (pyramidShowsAt(elapsedSeconds))
        drawPyramid();
    else
        drawCube();
}

Scene cubePyramidScene() {
    Scene scene;
    scene.name = "cube/pyramid";
    scene.setUp = [] { setupCubePyramidScene(); };
    scene.frame = [] { drawCubePyramidFrame(); };
    return scene;
}
