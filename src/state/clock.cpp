// SPDX-License-Identifier: MIT
#include "state/clock.h"

#include <ctime>

#include "state/run_state.h"

namespace {
bool clockFirstCall = true;
uint32_t clockBaseTicks = 0;
double clockNow = 0.0;
double clockDelta = 0.0;
double clockLast = 0.0;
ClockTicksSource ticksSource = systemClockTicks;
ClockSecondsSource secondsSource = nullptr;
}  // namespace

uint32_t systemClockTicks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(ms);  // wraps like the 32-bit system timer
}

void setClockTicksSource(ClockTicksSource source) { ticksSource = source ? source : systemClockTicks; }
void setClockSecondsSource(ClockSecondsSource source) { secondsSource = source; }

double readClock() {
    if (secondsSource) {
        double seconds = secondsSource();
        clockFirstCall = false;
        return seconds;
    }
    uint32_t reading = ticksSource();
    if (clockFirstCall) {
        clockBaseTicks = reading;
        clockFirstCall = false;
        return 0.0;
    }
    // Unsigned subtraction gives the true interval across a wrap of the counter.
    uint32_t sinceBase = reading - clockBaseTicks;
    return sinceBase * 0.001;
}

void frameStartStep() {
    clockNow = readClock();
    clockDelta = clockNow - clockLast;
}

void flashDecayStep() {
    // The flash handler may raise the level on the sound thread between our
    // read and write; compare-exchange keeps such a new flash instead of
    // overwriting it with the decayed old value.
    float level = flashLevel.load();
    while (level > 1.0f) {
        double decayed = level - frameDelta.load() * 50.0;
        float next = decayed < 1.0 ? 1.0f : float(decayed);
        if (flashLevel.compare_exchange_weak(level, next)) break;
    }
}

void frameEndStep() {
    clockLast = clockNow;
    frameDelta = clockDelta;
    elapsed = elapsed.load() + clockDelta;
}

void resetClock() {
    clockFirstCall = true;
    clockBaseTicks = 0;
    clockNow = clockDelta = clockLast = 0.0;
}

ClockState clockState() { return {clockFirstCall, clockBaseTicks, clockNow, clockDelta, clockLast}; }
