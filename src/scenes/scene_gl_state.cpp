// SPDX-License-Identifier: MIT
#include "scenes/scene_gl_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "state/run_state.h"

void setLitPerspectiveState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(2000.0);  // clamped to 1 by GL
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);

    loadScenePerspective(100.0, 8.0, 2000.0);
}

void loadScenePerspective(double fovy, double zNear, double zFar) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovy, double(screenWidth) / double(screenHeight), zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void enableLitTexturing() {
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void setLight0(const float ambient[4], const float diffuse[4], const float specular[4], const float position[4]) {
    const GLfloat spotDirection[] = {0.0f, 0.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, spotDirection);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

void setFrontMaterial(const float ambient[4], const float diffuse[4], const float specular[4], float shininess) {
    const GLfloat emission[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glMaterialf(GL_FRONT, GL_SHININESS, shininess);
}

void setLight0AtEye() {
    const GLfloat ambient[] = {1.0f, 1.0f, 1.0f, 0.7f};
    const GLfloat diffuse[] = {1.0f, 1.0f, 1.0f, 0.5f};
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 0.3f};
    const GLfloat position[] = {0.0f, 0.0f, 0.0f, 1.0f};
    setLight0(ambient, diffuse, specular, position);
}
