// SPDX-License-Identifier: MIT
// The values every part of the demo shares: the frame clock's results, the
// two timeline values the music moves, the flash level and the animation
// accumulators the scenes advance. One instance each, for the whole run.
#pragma once

#include <atomic>

// Seconds. Written by the frame-end step; frameDelta is also read by the music
// handlers on the sound thread, so both are stored and read whole.
extern std::atomic<double> frameDelta;
extern std::atomic<double> elapsed;

// Set to 100 by the flash handler on the sound thread, decayed per frame.
extern std::atomic<float> flashLevel;

// Shared animation accumulators; program thread only. Units are whatever the
// scene reading them uses.
extern float rotX, rotY, rotZ;
extern float phase;
extern float texShiftU, texShiftV;
extern float bgPhase;

// Zeroes the animation accumulators, as a scene does before it starts (not
// the clock, the flash level or the timeline values).
void resetAnimationState();

// The screen the programme is composed for: every projection, slide and the
// meter are built for it, the display mode asked for is this size, and a
// capture is this size unless told otherwise. A larger or resized drawable
// shows the same picture scaled.
constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// The two values that place the title and slide 6 on the timeline. A handler
// writes both together; the timeline step always sees a pair that was written
// together (both old or both new), never one of each.
struct TimelineValues {
    double timelineStart;
    double timelineOffset;
};

constexpr double initialTimelineStart = 1995919.0;
constexpr double initialTimelineOffset = 0.0;

TimelineValues loadTimelineValues();
// Only one thread may write at a time (the sound thread in the program, the
// test thread in tests).
void storeTimelineValues(double timelineStart, double timelineOffset);

// Puts every value above and the frame clock back to their start-of-run
// state. The whole run's reset (resetRun) calls it with the resets of the
// layers above.
void resetRunState();
