// SPDX-License-Identifier: MIT
#include "state/run_state.h"

#include <cstdint>

#include "state/clock.h"

std::atomic<double> frameDelta{0.0};
std::atomic<double> elapsed{0.0};
std::atomic<float> flashLevel{1.0f};

float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;
float phase = 20.0f;
float texShiftU = 0.0f, texShiftV = 0.0f;
float bgPhase = 0.0f;

// A sequence lock: the writer makes the counter odd while it writes and even
// again after; a reader retries until it saw the same even count before and
// after reading both values. The writer never waits and takes no lock.
namespace {
std::atomic<uint32_t> timelineSequence{0};
std::atomic<double> timelineStartValue{initialTimelineStart};
std::atomic<double> timelineOffsetValue{initialTimelineOffset};
}  // namespace

TimelineValues loadTimelineValues() {
    for (;;) {
        uint32_t before = timelineSequence.load(std::memory_order_acquire);
        if (before & 1u) continue;
        TimelineValues values;
        values.timelineStart = timelineStartValue.load(std::memory_order_relaxed);
        values.timelineOffset = timelineOffsetValue.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (timelineSequence.load(std::memory_order_relaxed) == before) return values;
    }
}

void storeTimelineValues(double timelineStart, double timelineOffset) {
    uint32_t sequence = timelineSequence.load(std::memory_order_relaxed);
    timelineSequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    timelineStartValue.store(timelineStart, std::memory_order_relaxed);
    timelineOffsetValue.store(timelineOffset, std::memory_order_relaxed);
    timelineSequence.store(sequence + 2, std::memory_order_release);
}

void resetAnimationState() {
    texShiftU = 0.0f;
    texShiftV = 0.0f;
    rotX = 0.0f;
    rotY = 0.0f;
    rotZ = 0.0f;
    bgPhase = 0.0f;
    phase = 0.0f;
}

void resetRunState() {
    frameDelta = 0.0;
    elapsed = 0.0;
    flashLevel = 1.0f;
    rotX = rotY = rotZ = 0.0f;
    phase = 20.0f;
    texShiftU = texShiftV = 0.0f;
    bgPhase = 0.0f;
    storeTimelineValues(initialTimelineStart, initialTimelineOffset);
    resetClock();
}
