// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "app/timeline.h"
#include "state/clock.h"
#include "state/run_state.h"

namespace {
uint32_t fakeTicks = 0;
uint32_t readFakeTicks() { return fakeTicks; }

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetRun();
        setClockTicksSource(readFakeTicks);
    }
    void TearDown() override {
        setClockTicksSource(nullptr);
        resetRun();
    }
    // One frame's clock bookkeeping at the given counter value.
    void frameAt(uint32_t ticks) {
        fakeTicks = ticks;
        frameStartStep();
        frameEndStep();
    }
};
}  // namespace

TEST_F(ClockTest, FirstReadingIsZeroAndLaterOnesCountFromIt) {
    fakeTicks = 123456;
    EXPECT_EQ(readClock(), 0.0);
    fakeTicks = 123456 + 1500;
    EXPECT_DOUBLE_EQ(readClock(), 1.5);
    fakeTicks = 123456 + 2000;
    EXPECT_DOUBLE_EQ(readClock(), 2.0);  // from the first call, not the previous one
}

TEST_F(ClockTest, CounterWrappingPastItsMaximumKeepsTheTrueInterval) {
    fakeTicks = 0xFFFFFF00u;  // 256 ms before the wrap
    EXPECT_EQ(readClock(), 0.0);
    fakeTicks = 0x00000100u;  // 256 ms after it
    EXPECT_DOUBLE_EQ(readClock(), 0.512);
    fakeTicks = 0x00001000u;
    EXPECT_DOUBLE_EQ(readClock(), 0.256 + 4.096);
}

TEST_F(ClockTest, FrameValuesLagOneFrameBehindTheReadings) {
    // Frame starts at 0, 10, 30 and 60 ms.
    frameAt(0);
    EXPECT_EQ(elapsed.load(), 0.0);  // what frame 2 sees
    EXPECT_EQ(frameDelta.load(), 0.0);
    frameAt(10);
    EXPECT_DOUBLE_EQ(elapsed.load(), 0.010);  // what frame 3 sees: start of frame 2
    EXPECT_DOUBLE_EQ(frameDelta.load(), 0.010);
    frameAt(30);
    EXPECT_DOUBLE_EQ(elapsed.load(), 0.030);
    EXPECT_DOUBLE_EQ(frameDelta.load(), 0.020);
    frameAt(60);
    EXPECT_DOUBLE_EQ(elapsed.load(), 0.060);
    EXPECT_DOUBLE_EQ(frameDelta.load(), 0.030);
}

TEST_F(ClockTest, TwoFramesInTheSameMillisecondGiveAZeroInterval) {
    frameAt(1000);
    frameAt(1040);
    frameAt(1040);
    EXPECT_EQ(frameDelta.load(), 0.0);
    EXPECT_DOUBLE_EQ(elapsed.load(), 0.040);
}

TEST_F(ClockTest, AnExactSecondsSourceReplacesTheCounter) {
    static double seconds = 0.0;
    setClockSecondsSource([] { return seconds; });
    seconds = 0.0;
    frameAt(0);
    seconds = 1.0 / 60.0;
    frameAt(0);
    EXPECT_DOUBLE_EQ(frameDelta.load(), 1.0 / 60.0);
    setClockSecondsSource(nullptr);
}

TEST_F(ClockTest, FlashDecaysByFiftyPerSecondOfFrameDeltaAndStopsAtOne) {
    flashLevel = 100.0f;
    frameDelta = 0.5;
    flashDecayStep();
    EXPECT_FLOAT_EQ(flashLevel.load(), 75.0f);
    frameDelta = 0.01;
    flashDecayStep();
    EXPECT_FLOAT_EQ(flashLevel.load(), 74.5f);
    frameDelta = 2.0;
    flashDecayStep();
    EXPECT_EQ(flashLevel.load(), 1.0f);  // exactly 1, not below

    // 100 falls back to exactly 1 after 1.98 s of frame time in small steps.
    flashLevel = 100.0f;
    frameDelta = 0.01;
    int frames = 0;
    while (flashLevel.load() > 1.0f && frames < 1000) {
        flashDecayStep();
        ++frames;
    }
    EXPECT_EQ(flashLevel.load(), 1.0f);
    EXPECT_NEAR(frames, 198, 1);
}

TEST_F(ClockTest, FlashAtOrBelowOneIsLeftAlone) {
    frameDelta = 1.0;
    flashLevel = 1.0f;
    flashDecayStep();
    EXPECT_EQ(flashLevel.load(), 1.0f);
    flashLevel = 0.25f;
    flashDecayStep();
    EXPECT_EQ(flashLevel.load(), 0.25f);
}

TEST_F(ClockTest, ResetAnimationStateZeroesOnlyTheAccumulators) {
    rotX = rotY = rotZ = 3.0f;
    phase = 20.0f;
    texShiftU = texShiftV = bgPhase = 1.5f;
    flashLevel = 50.0f;
    frameDelta = 0.02;
    elapsed = 12.0;
    storeTimelineValues(0.0, 0.02);
    resetAnimationState();
    for (float value : {rotX, rotY, rotZ, phase, texShiftU, texShiftV, bgPhase}) EXPECT_EQ(value, 0.0f);
    EXPECT_EQ(flashLevel.load(), 50.0f);
    EXPECT_EQ(frameDelta.load(), 0.02);
    EXPECT_EQ(elapsed.load(), 12.0);
    EXPECT_EQ(loadTimelineValues().timelineOffset, 0.02);
    EXPECT_EQ(screenWidth, 640);
    EXPECT_EQ(screenHeight, 480);
}
