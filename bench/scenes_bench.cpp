// SPDX-License-Identifier: MIT
// Frame time of each scene drawn by this program's own code on the headless
// context (640x480, Mesa llvmpipe), the level meter included, as the frame
// loop draws them, with the clock advanced between frames as the loop would.
// The CPU column is the whole process's (all the rasteriser's threads).
//
//   cd build && bench/scenes_bench [--benchmark_filter=flower] [other benchmark options]
//
// Run from the build folder: it draws the shipped data set in build/Data.
#include <GL/gl.h>

#include <cstdio>
#include <filesystem>

#include "assets/ms3d_model.h"
#include "assets/texture_bank.h"
#include "headless_bench.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/flower_scene.h"
#include "scenes/level_meter.h"
#include "scenes/morph_scene.h"
#include "scenes/slides.h"
#include "state/run_state.h"

namespace {

constexpr int width = 640, height = 480;

// A level that keeps both bars tall, as loud music does.
constexpr uint32_t busyLevel = 90u | 70u << 16;

// One scene's frames: its frame and the meter, then the clock moved on by a
// 120 fps frame.
void timeScene(benchmark::State& state, const std::function<void()>& drawFrame) {
    const double interval = 1.0 / 120.0;
    timeFrames(
        state,
        [&] {
            drawFrame();
            drawLevelMeter(busyLevel);
        },
        [&] {
            frameDelta = interval;
            elapsed = elapsed.load() + interval;
        });
}

void slide(benchmark::State& state) {
    beginSlideMode();
    timeScene(state, [] { drawSlide(7); });
}

// Rippling: the grid moves and the background flashes; frozen: past the
// ripple, the grid stands still.
void flower(benchmark::State& state, float startAngle) {
    beginSlideMode();
    setupFlowerScene();
    flashLevel = 1.0f;
    rotX = 0.0f;
    rotY = startAngle;
    timeScene(state, [] { drawFlowerFrame(); });
    delete modelA;
    modelA = nullptr;
}

// The solid the scene shows depends on the programme time.
void cubePyramid(benchmark::State& state, double at) {
    beginSlideMode();
    setupCubePyramidScene();
    timeScene(state, [at] {
        elapsed = at;
        drawCubePyramidFrame();
    });
}

void morph(benchmark::State& state) {
    beginSlideMode();
    setupMorphScene();
    timeScene(state, [] { drawMorphFrame(); });
    releaseMorphModels();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!std::filesystem::exists(resolveDataPath("data/blomma.ms3d")) ||
        !std::filesystem::exists(resolveDataPath("Data/credits.tga"))) {
        std::fprintf(stderr, "no data set here: run from the build folder, which holds Data/\n");
        return 1;
    }
    if (!openBenchContext(width, height)) return 1;
    loadTextureBank("data/grass1.tga");

    registerFrames("slide", slide);
    registerFrames("flower/rippling", [](benchmark::State& state) { flower(state, 0.0f); });
    registerFrames("flower/frozen", [](benchmark::State& state) { flower(state, 950.0f); });
    registerFrames("pyramid", [](benchmark::State& state) { cubePyramid(state, 60.0); });
    registerFrames("cube", [](benchmark::State& state) { cubePyramid(state, 65.0); });
    registerFrames("morph", morph);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    destroyHeadlessContext();
    return 0;
}
