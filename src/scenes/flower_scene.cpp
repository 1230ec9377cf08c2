// SPDX-License-Identifier: MIT
// The first 3D scene: the flower model over a square grid whose surface
// ripples in rings from its centre until rotY reaches 900, when it freezes.
// The scene turns about z while the camera moves in; the light's colour and
// the background cycle on slow cosine waves, the background also jumping with
// the music's flash.
#include "scenes/flower_scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "assets/data_files.h"
#include "assets/ms3d_model.h"
#include "assets/texture_bank.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "scenes/scene_gl_state.h"
#include "state/gentle_mode.h"
#include "state/run_state.h"

float grid[gridSize][gridSize][3];
int8_t gridNormals[gridSize - 1][gridSize - 1][6];

namespace {

constexpr int gridCentre = gridSize / 2;  // 45
constexpr float borderDepth = -1150.0f;
constexpr float freezeAngle = 900.0f;
constexpr double pi = 3.141592653589793;

// The gentle flash's colour and how far towards it the background goes: far
// from saturated red, and bright enough to be seen as the music's accent.
constexpr double gentleSwellColour[3] = {0.85, 0.8, 0.95};
constexpr double gentleSwellPeak = 0.6;
constexpr double gentleRedShare = 0.45;

void setGentleFlowerBackground(double angle, float flashLevel) {
    const GentleBackground colour = gentleFlowerBackground(angle, flashLevel);
    glClearColor(colour.red, colour.green, colour.blue, 1.0f);
}

bool gridBuilt = false;

void buildGrid() {
    for (int i = 0; i < gridSize; ++i)
        for (int j = 0; j < gridSize; ++j) {
            grid[i][j][0] = float((i - gridCentre) * 12);
            grid[i][j][1] = float((j - gridCentre) * 12);
            grid[i][j][2] = borderDepth;
        }
}

// Rows 1..88 and columns 2..88: column 1 and the outer rows and columns keep
// the border depth, so the rippling surface is edged by steep walls.
void rippleGrid(float angle) {
    const double divisor = 250.0 - double(angle) * 0.2777777777777778;
    for (int i = 1; i <= gridSize - 2; ++i)
        for (int j = 2; j <= gridSize - 2; ++j) {
            const int d2 = (j - gridCentre) * (j - gridCentre) + (i - gridCentre) * (i - gridCentre);
            grid[i][j][2] = float(std::cos(d2 / divisor) * 80.0 - 280.0);
        }
}

void difference(const float a[3], const float b[3], float r[3]) {
    for (int k = 0; k < 3; ++k) r[k] = float(double(a[k]) - double(b[k]));
}

void storeNormal(const float n[3], int8_t* out) {
    // c x 127 truncated towards zero; |c| <= 1 after normalising.
    for (int k = 0; k < 3; ++k) out[k] = int8_t(int(double(n[k]) * 127.0));
}

void setGridMaterial() {
    const GLfloat ambient[] = {0.4f, 0.8f, 0.4f, 1.0f};
    const GLfloat diffuse[] = {0.8f, 1.0f, 0.8f, 1.0f};
    const GLfloat specular[] = {0.3f, 0.5f, 0.3f, 1.0f};
    setFrontMaterial(ambient, diffuse, specular, 0.4f);
}

// One strip per row of cells. The texture spans a strip across its width and
// repeats once per cell along it, mirrored every other cell. Only the first
// strip starts at column 0; the others start at column 1.
void drawGrid() {
    for (int i = 0; i < gridSize - 1; ++i) {
        glEnable(GL_TEXTURE_2D);
        bindTextureSlot(grassSlot);
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j < gridSize - 1; ++j) {
            const float t = float(j % 2);
            const int8_t* cell = gridNormals[i][j];
            glNormal3bv(reinterpret_cast<const GLbyte*>(cell));
            if (i == 0 && j == 0) {
                glTexCoord2f(0.0f, 1.0f);
                glVertex3fv(grid[0][0]);
                glTexCoord2f(1.0f, 1.0f);
                glVertex3fv(grid[1][0]);
            }
            glTexCoord2f(0.0f, t);
            glVertex3fv(grid[i][j + 1]);
            glNormal3bv(reinterpret_cast<const GLbyte*>(cell + 3));
            glTexCoord2f(1.0f, t);
            glVertex3fv(grid[i + 1][j + 1]);
        }
        glEnd();
    }
}

}  // namespace

GentleBackground gentleFlowerBackground(double angle, float flashLevel) {
    // The background's own slow cycle, as without a flash, kept off
    // saturated red: green and blue stay at least 0.45 of red, which holds
    // red below 0.75 of the linear light. The swell's colour keeps that too,
    // so no mix of the two can flash into red and out again.
    const double r = (1.0 - std::cos(0.005 * angle)) / 3.0;
    const double g = std::max((1.0 - std::cos(0.013333334f * angle)) / 3.0, gentleRedShare * r);
    const double b = std::max((1.0 - std::cos(0.006666667f * angle)) / 3.0, gentleRedShare * r);
    // The flash level jumps to 100 and decays to 1 in about two seconds.
    // Instead of the strobe it brings one swell towards a pale lilac that
    // starts and ends at nothing, so the jump of the level shows no step and
    // the whole flash is a single rise and fall.
    const double left = std::min(1.0, std::max(0.0, (double(flashLevel) - 1.0) / 99.0));
    const double swell = gentleSwellPeak * std::pow(std::sin(pi * left), 2.0);
    return {float(r + (gentleSwellColour[0] - r) * swell), float(g + (gentleSwellColour[1] - g) * swell),
            float(b + (gentleSwellColour[2] - b) * swell)};
}

bool flowerGridBuilt() { return gridBuilt; }

void crossProduct(const float a[3], const float b[3], float r[3]) {
    const double x = double(a[1]) * b[2] - double(a[2]) * b[1];
    const double y = double(a[2]) * b[0] - double(a[0]) * b[2];
    const double z = double(a[0]) * b[1] - double(a[1]) * b[0];
    r[0] = float(x);
    r[1] = float(y);
    r[2] = float(z);
}

float normalizeVector(float v[3]) {
    const float length = float(std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]));
    if (length != 0.0f) {
        const double inverse = 1.0 / double(length);
        for (int k = 0; k < 3; ++k) v[k] = float(double(v[k]) * inverse);
    }
    return length;
}

void computeGridNormals() {
    for (int i = 0; i < gridSize - 1; ++i)
        for (int j = 0; j < gridSize - 1; ++j) {
            const float* p = grid[i][j];
            const float* q = grid[i + 1][j];
            const float* r = grid[i][j + 1];
            const float* s = grid[i + 1][j + 1];
            float u[3], v[3], n[3];

            difference(p, q, u);
            difference(p, r, v);
            crossProduct(u, v, n);
            normalizeVector(n);
            storeNormal(n, &gridNormals[i][j][0]);

            difference(q, s, u);
            difference(q, r, v);
            crossProduct(u, v, n);
            normalizeVector(n);
            storeNormal(n, &gridNormals[i][j][3]);
        }
}

int setupFlowerScene() {
    // A failed set-up must leave no grid for the frame to draw.
    gridBuilt = false;
    // modelA is normally empty here (the slide before destroyed it); never
    // drop a model that is still held.
    delete modelA;
    modelA = new Ms3dModel();
    if (!modelA->loadFromFile(flowerModelPath)) {
        MessageDetail detail(dataFileDetail(flowerModelPath));
        showMessageBox(modelLoadErrorText, "Error", MB_ICONERROR);
        return 0;
    }

    setLitPerspectiveState();

    buildGrid();
    gridBuilt = true;
    bindTextureSlot(grassSlot);
    return 1;
}

int drawFlowerFrame() {
    const double angle = rotY;
    if (gentleMode()) {
        setGentleFlowerBackground(angle, flashLevel.load());
    } else {
        // Only the background multiplies by the flash level, so a flash makes
        // it run ahead of the light colours: a strobe of some 25 colour
        // changes a second while the level decays.
        const double k = double(flashLevel.load()) * angle;
        glClearColor(float((1.0 - std::cos(0.005 * k)) * 0.33333334f),
                     float((1.0 - std::cos(0.013333334f * k)) * 0.33333334f),
                     float((1.0 - std::cos(0.006666667f * k)) * 0.33333334f), 1.0f);
    }
    const float r = float((1.0 - std::cos(0.005 * angle)) * 0.33333334f);
    const float g = float(1.0 - std::cos(0.013333334f * angle));
    const float b = float(1.0 - std::cos(0.006666667f * angle));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(200.0, 300.0, 1000.0 - 0.5 * angle, 0.0, -100.0, 0.0, 0.0, 1.0, 0.0);
    glRotatef(250.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(rotY, 0.0f, 0.0f, 1.0f);

    // Set under the camera and the turn, so the light turns with the scene.
    const GLfloat lightAmbient[] = {r, float(g * 0.16666667f), float(b * 0.16666667f), 0.7f};
    const GLfloat lightDiffuse[] = {r, float(g * 0.5), float(b * 0.5), 1.0f};
    const GLfloat lightSpecular[] = {r, float(g * 0.33333334f), float(b * 0.33333334f), 0.3f};
    const GLfloat lightPosition[] = {100.0f, 100.0f, 100.0f, 1.0f};
    setLight0(lightAmbient, lightDiffuse, lightSpecular, lightPosition);

    glDisable(GL_TEXTURE_2D);
    if (modelA) modelA->render();  // the empty model after a failed load draws nothing

    const double step = 33.0 * frameDelta.load();
    rotX = float(double(rotX) + step);
    rotY = float(double(rotY) + step);

    // After a failed set-up there is no grid: the frame shows the background,
    // the light and whatever the model holds, and the clocks still run so the
    // next scene continues from the same angle.
    if (!gridBuilt) return 1;

    if (rotY < freezeAngle) {
        rippleGrid(rotY);
        computeGridNormals();
    }
    setGridMaterial();
    drawGrid();
    return 1;
}

Scene flowerScene() {
    Scene scene;
    scene.name = "flower";
    scene.setUp = [] { setupFlowerScene(); };
    scene.frame = [] { drawFlowerFrame(); };
    scene.tearDown = [] {
        delete modelA;
        modelA = nullptr;
    };
    scene.reset = [] { gridBuilt = false; };
    return scene;
}
