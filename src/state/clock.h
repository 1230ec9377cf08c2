// SPDX-License-Identifier: MIT
// The frame clock: one reading of a millisecond counter per frame, turned into
// the frame interval (frameDelta) and the time since the first frame (elapsed).
#pragma once

#include <cstdint>

// Seconds since the first call; the first call returns 0.
double readClock();

// The three per-frame steps the frame loop runs at its fixed points.
void frameStartStep();  // clockNow := readClock(); clockDelta := clockNow - clockLast
void flashDecayStep();  // flashLevel falls by 50 per second of frameDelta, down to 1
void frameEndStep();    // clockLast := clockNow; frameDelta := clockDelta; elapsed += clockDelta

// The millisecond counter: an unsigned 32-bit count that wraps. By default a
// monotonic system clock truncated to 32 bits; tests substitute their own.
using ClockTicksSource = uint32_t (*)();
void setClockTicksSource(ClockTicksSource source);
uint32_t systemClockTicks();

// An exact time source in seconds that replaces the millisecond counter
// (the capture tool's fixed video clock); null restores the counter.
using ClockSecondsSource = double (*)();
void setClockSecondsSource(ClockSecondsSource source);

// Back to the state before the first readClock (first call pending, all
// clock values 0).
void resetClock();

// Read-only view of the clock state for tests and tools.
struct ClockState {
    bool firstCall;
    uint32_t baseTicks;
    double now, delta, last;
};
ClockState clockState();
