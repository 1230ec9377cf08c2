// SPDX-License-Identifier: MIT
// What the timeline shows in one row of the programme, as a value: a picture
// slide or a 3D scene, each a set of operations on the shared state. A row
// holds its scene by value, so a test, the benchmark or the capture tool runs
// the programme with scenes of its own, or wraps the real ones, by building
// another table rather than re-wiring functions one by one.
#pragma once

#include <functional>

struct Scene {
    // For reports and recordings: "title slide", "flower", ...
    const char* name = "";
    // Once, on the first frame of the scene's row.
    std::function<void()> setUp;
    // Every frame of the row.
    std::function<void()> frame;
    // Releases what the set-up made (models, display lists): on the first
    // frame of the slide that follows, or when a run stops inside the
    // scene. Empty: nothing to release.
    std::function<void()> tearDown;
    // Back to how a fresh process has it, for a second run in one process
    // (tests, the capture tool). Empty: the scene keeps nothing between runs.
    std::function<void()> reset;
    // The scene's frames leave part of the picture the frame before drew
    // (every other scene clears it or covers it whole), so a frame of it
    // shows what earlier frames drew: a run that skips drawing frames must
    // not skip those.
    bool keepsPicture = false;
};

// Calls one of a scene's operations, if it has it.
inline void runSceneStep(const std::function<void()>& step) {
    if (step) step();
}
