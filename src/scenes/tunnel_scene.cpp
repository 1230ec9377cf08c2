// SPDX-License-Identifier: MIT
// The fractal cube tunnel: a checkerboard floor and ceiling slope towards
// each other and meet at the horizon, and between them a cube tumbles,
// wearing the fractal blended by its own alpha, its faces zooming in and out.
#include "scenes/tunnel_scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "assets/texture_bank.h"
#include "scenes/scene_gl_state.h"
#include "state/gentle_mode.h"
#include "state/run_state.h"

float cubeTexInset = 0.5f;

namespace {

constexpr double pi = 3.141592653589793;

// The gentle show dims the checkerboard's yellow to about the luminance of
// its blue (0.14 against 0.07), so the squares passing four times a second
// still show their pattern but no longer flash: no change of a region's
// brightness can reach 0.1.
const float gentleCheckerColour[3] = {0.42f, 0.42f, 1.0f};

struct CubeCorner {
    float x, y, z;
    bool sFromInset, tFromInset;  // true: the coordinate is i, false: j
};

struct CubeFace {
    float nx, ny, nz;
    CubeCorner corners[4];
};

// Counter-clockwise seen from outside. Face 1 pairs its second and fourth
// corners with (i, j) and (j, i); the other five the other way round.
const CubeFace cubeFaces[6] = {
    {0,
     0,
     -1,
     {{-1, -1, -1, true, true}, {-1, 1, -1, true, false}, {1, 1, -1, false, false}, {1, -1, -1, false, true}}},
    {0,
     -1,
     0,
     {{-1, -1, -1, true, true}, {1, -1, -1, false, true}, {1, -1, 1, false, false}, {-1, -1, 1, true, false}}},
    {1, 0, 0, {{1, -1, -1, true, true}, {1, 1, -1, false, true}, {1, 1, 1, false, false}, {1, -1, 1, true, false}}},
    {0, 1, 0, {{1, 1, -1, true, true}, {-1, 1, -1, false, true}, {-1, 1, 1, false, false}, {1, 1, 1, true, false}}},
    {-1,
     0,
     0,
     {{-1, 1, -1, true, true}, {-1, -1, -1, false, true}, {-1, -1, 1, false, false}, {-1, 1, 1, true, false}}},
    {0, 0, 1, {{-1, -1, 1, true, true}, {1, -1, 1, false, true}, {1, 1, 1, false, false}, {-1, 1, 1, true, false}}},
};

}  // namespace

int setupTunnelScene() {
    loadScenePerspective(45.0, 0.1, 10000.0);
    setLight0AtEye();
    glShadeModel(GL_FLAT);
    glClearColor(0.9f, 0.8f, 1.0f, 1.0f);
    glClearDepth(10000.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glDepthFunc(GL_LEQUAL);
    enableLitTexturing();
    return 1;
}

void drawTunnelPlanes() {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    bindTextureSlot(checkerSlot);
    const bool gentle = gentleMode();
    if (gentle) {
        // The planes are unlit: the current colour scales the texels.
        glPushAttrib(GL_CURRENT_BIT);
        glColor3fv(gentleCheckerColour);
    }
    const float x = static_cast<float>(2.5 * screenWidth);
    const float h = static_cast<float>(screenHeight * double(0.16666667f));
    const float u = texShiftU, v = texShiftV;
    // Floor, rising from below the screen to the horizon far away; then the
    // ceiling, falling to meet it. The checkerboard repeats 4 times across
    // and 2 times along each plane.
    glBegin(GL_QUADS);
    glTexCoord2f(u, v);
    glVertex3f(-x, -h, -10.0f);
    glTexCoord2f(u + 4.0f, v);
    glVertex3f(x, -h, -10.0f);
    glTexCoord2f(u + 4.0f, v + 2.0f);
    glVertex3f(x, 0.0f, -3010.0f);
    glTexCoord2f(u, v + 2.0f);
    glVertex3f(-x, 0.0f, -3010.0f);

    glTexCoord2f(u, v);
    glVertex3f(-x, 0.0f, -3010.0f);
    glTexCoord2f(u + 4.0f, v);
    glVertex3f(x, 0.0f, -3010.0f);
    glTexCoord2f(u + 4.0f, v + 2.0f);
    glVertex3f(x, h, -10.0f);
    glTexCoord2f(u, v + 2.0f);
    glVertex3f(-x, h, -10.0f);
    glEnd();
    if (gentle) glPopAttrib();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

void drawTunnelCube() {
    bindTextureSlot(fractalSlot);
    // The lit colour's alpha is 1, so each fragment keeps the texel's alpha.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    const float i = cubeTexInset;
    const float j = static_cast<float>(1.0 - cubeTexInset);
    glBegin(GL_QUADS);
    for (const CubeFace& face : cubeFaces) {
        glNormal3f(face.nx, face.ny, face.nz);
        for (const CubeCorner& c : face.corners) {
            glTexCoord2f(c.sFromInset ? i : j, c.tFromInset ? i : j);
            glVertex3f(c.x, c.y, c.z);
        }
    }
    glEnd();
    glDisable(GL_BLEND);
}

int drawTunnelFrame() {
    const double delta = frameDelta.load();
    texShiftU = 0.0f;
    texShiftV = static_cast<float>(texShiftV + 2.0 * delta);
    rotX = static_cast<float>(rotX + 7.0 * delta);
    rotY = static_cast<float>(rotY + 8.0 * delta);
    rotZ = static_cast<float>(rotZ + 9.0 * delta);
    // A full zoom out and back in every 8 pi / 5 seconds.
    cubeTexInset = static_cast<float>(std::cos(phase * 0.25 - pi) + 1.5);
    phase = static_cast<float>(phase - 5.0 * delta);

    // The colour buffer is not cleared: the planes paint over the picture.
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawTunnelPlanes();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glRotatef(rotX, 1.0f, 0.0f, 0.0f);
    glRotatef(rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
    drawTunnelCube();
    glFlush();
    return 1;
}

Scene tunnelScene() {
    Scene scene;
    scene.name = "tunnel";
    scene.setUp = [] {
        resetAnimationState();
        setupTunnelScene();
    };
    scene.frame = [] { drawTunnelFrame(); };
    scene.keepsPicture = true;
    return scene;
}
