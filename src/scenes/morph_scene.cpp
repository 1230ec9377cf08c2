// SPDX-License-Identifier: MIT
// The last 3D scene: modelC is drawn with its vertex positions rewritten
// every frame as a blend of the two poses held in modelA and modelB, spinning
// about (1, 1, 1), under a light that wanders on sines and cosines and is
// marked by a small blended square. rotY is the scene's clock.
#include "scenes/morph_scene.h"

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
#include "state/run_state.h"

namespace {

// Creates an empty model in `slot` and loads the file into it. The model
// stays in its slot even when the load fails (empty), so that release finds
// it.
bool loadModel(Ms3dModel*& slot, const char* path) {
    slot = new Ms3dModel();
    if (slot->loadFromFile(path)) return true;
    MessageDetail detail(dataFileDetail(path));
    showMessageBox(modelLoadErrorText, "Error", MB_ICONERROR);
    return false;
}

void lookFromCamera(double angle) {
    gluLookAt(40.0, -50.0 * (std::cos(0.1 * angle) + 1.0) - 80.0, 50.0 * std::sin(0.1 * angle), 0.0, 0.0, 0.0, 0.0, 1.0,
              0.0);
}

// Only the vertices all three models have are blended: two files of
// different sizes never make the morph read past either pose's array. The
// drawn model's further vertices (if any) keep their loaded positions.
void blendPoses(double angle) {
    if (!modelA || !modelB || !modelC) return;
    if (!modelA->vertices || !modelB->vertices || !modelC->vertices) return;
    const int32_t count = std::min({modelA->vertexCount, modelB->vertexCount, modelC->vertexCount});
    const double w = std::sin(angle) + 1.0;
    for (int32_t v = 0; v < count; ++v) {
        const float* a = modelA->vertices[v].location;
        const float* b = modelB->vertices[v].location;
        float* c = modelC->vertices[v].location;
        for (int k = 0; k < 3; ++k) c[k] = morphCoordinate(a[k], b[k], w);
    }
}

}  // namespace

float morphCoordinate(double a, double b, double w) { return float(((1.0 - 0.5 * w) * b + 0.5 * w * a) * 0.5); }

int setupMorphScene() {
    rotY = 0.0f;
    // Normally all three are empty here; never drop models still held.
    releaseMorphModels();
    // A failed load stops the set-up at that model: later models are not
    // created and the GL state is left alone.
    if (!loadModel(modelA, standingModelPath)) return 0;
    if (!loadModel(modelB, slumpedModelPath)) return 0;
    if (!loadModel(modelC, slumpedModelPath)) return 0;

    setLitPerspectiveState();

    glShadeModel(GL_SMOOTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHT0);
    return 1;
}

void drawMorphFrame() {
    const double angle = rotY;
    const float lx = float(50.0 * std::cos(0.1 * angle));
    const float ly = float(-50.0 * (std::sin(0.2 * angle) + 1.0));
    const float lz = float(50.0 * std::sin(0.05 * angle));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    lookFromCamera(angle);

    // Positioned under the camera alone, before the figure's spin.
    const GLfloat lightAmbient[] = {0.1f, 0.1f, 0.1f, 1.0f};
    const GLfloat lightDiffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat lightPosition[] = {lx, ly, lz, 1.0f};
    setLight0(lightAmbient, lightDiffuse, lightSpecular, lightPosition);

    blendPoses(angle);
    glRotatef(float(3.0 * angle), 1.0f, 1.0f, 1.0f);
    // After a failed set-up modelC may not exist; the frame then shows the
    // background and the light marker only.
    if (modelC) modelC->render();

    glLoadIdentity();
    lookFromCamera(angle);

    // The marker: blended with the function the level meter leaves in force,
    // facing -y, so with culling on it shows only from below the light.
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    bindTextureSlot(lightMarkerSlot);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(lx, ly, float(double(lz) + 10.0));
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(lx, ly, lz);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(float(double(lx) + 10.0), ly, lz);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(float(double(lx) + 10.0), ly, float(double(lz) + 10.0));
    glEnd();

    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);

    rotY = float(double(rotY) + 5.0 * frameDelta.load());
}

void releaseMorphModels() {
    delete modelA;
    modelA = nullptr;
    delete modelB;
    modelB = nullptr;
    delete modelC;
    modelC = nullptr;
}

Scene morphScene() {
    Scene scene;
    scene.name = "morph";
    scene.setUp = [] {
        resetAnimationState();
        setupMorphScene();
    };
    scene.frame = [] { drawMorphFrame(); };
    scene.tearDown = releaseMorphModels;
    return scene;
}
