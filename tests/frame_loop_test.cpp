#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/frame_loop.h"
#include "app/shared_state.h"
#include "app/timeline.h"
#include "platform/messages.h"
#include "support/gl_test.h"
#include "support/recording_programme.h"

namespace {
uint32_t fakeTicks = 0;

class FrameLoopTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetSharedState();
        resetClock();
        resetTimeline();
        resetMessages();
        recordedCalls.clear();
        setProgrammeOps(recordingProgramme());
        fakeTicks = 5000;
        setClockTicksSource([] { return fakeTicks; });
    }
    void TearDown() override {
        setClockTicksSource(nullptr);
        setProgrammeOps(programmeOperations());
        resetClock();
        resetTimeline();
        resetMessages();
        resetSharedState();
        GlTest::TearDown();
    }
    static Message keyDown(uintptr_t code) { return {WM_KEYDOWN, code, 0}; }
};
}  // namespace

TEST_F(FrameLoopTest, ABurstOfMessagesIsWorkedOffOnePerFrame) {
    postMessage(keyDown('A'));
    postMessage(keyDown('B'));
    postMessage(keyDown('C'));
    Message record;
    EXPECT_FALSE(frameLoopPass(record));
    EXPECT_EQ(keys['A'], 1);
    EXPECT_EQ(keys['B'], 0);
    EXPECT_FALSE(frameLoopPass(record));
    EXPECT_EQ(keys['B'], 1);
    EXPECT_EQ(keys['C'], 0);
    EXPECT_FALSE(frameLoopPass(record));
    EXPECT_EQ(keys['C'], 1);
    EXPECT_EQ(record.message, WM_KEYDOWN);
    EXPECT_EQ(record.wParam, uintptr_t('C'));
    // With nothing waiting the record keeps the last message taken.
    EXPECT_FALSE(frameLoopPass(record));
    EXPECT_EQ(record.wParam, uintptr_t('C'));
}

TEST_F(FrameLoopTest, TheFrameThatTakesTheQuitMessageIsStillDrawnWithItsMeter) {
    Message record;
    EXPECT_FALSE(frameLoopPass(record));
    postMessage({WM_CLOSE, 0, 0});
    recordedCalls.clear();
    EXPECT_FALSE(frameLoopPass(record));  // dispatching WM_CLOSE posts the quit
    EXPECT_EQ(record.message, WM_CLOSE);
    recordedCalls.clear();
    EXPECT_TRUE(frameLoopPass(record));   // this pass takes it and is drawn in full
    EXPECT_EQ(record.message, WM_QUIT);
    const std::vector<std::string> expected = {"presentFrame", "drawSlide 5", "drawLevelMeter"};
    EXPECT_EQ(recordedNames(true), expected);
}

TEST_F(FrameLoopTest, EscapePressedEndsTheLoopWithExitCodeZero) {
    postMessage(keyDown(VK_ESCAPE));
    EXPECT_EQ(runFrameLoop(), 0);
    // Frame 1 dispatched the key, frame 2 took the quit; both drew the title.
    int titleFrames = 0;
    for (const std::string& name : recordedNames(true)) titleFrames += name == "drawSlide 5";
    EXPECT_EQ(titleFrames, 2);
}

TEST_F(FrameLoopTest, TheLoopReturnsTheQuitMessagesExitCode) {
    postQuitMessage(3);
    EXPECT_EQ(runFrameLoop(), 3);
}

TEST_F(FrameLoopTest, ScenesSeeTheClockValuesOfThePreviousFrameStart) {
    Message record;
    const uint32_t starts[] = {5000, 5010, 5030, 5060};
    for (uint32_t start : starts) {
        fakeTicks = start;
        frameLoopPass(record);
    }
    std::vector<RecordedCall> slides;
    for (const RecordedCall& call : recordedCalls)
        if (call.name == "drawSlide 5") slides.push_back(call);
    ASSERT_EQ(slides.size(), 4u);
    EXPECT_EQ(slides[0].elapsed, 0.0);
    EXPECT_EQ(slides[1].elapsed, 0.0);
    EXPECT_EQ(slides[1].frameDelta, 0.0);
    EXPECT_DOUBLE_EQ(slides[2].elapsed, 0.010);
    EXPECT_DOUBLE_EQ(slides[2].frameDelta, 0.010);
    EXPECT_DOUBLE_EQ(slides[3].elapsed, 0.030);
    EXPECT_DOUBLE_EQ(slides[3].frameDelta, 0.020);
}

// Within a pass: the previous frame is presented first, then the flash
// decays, and only then is the row chosen and drawn, so the scene sees the
// decayed flash.
TEST_F(FrameLoopTest, APassPresentsFirstThenDecaysTheFlashThenDraws) {
    Message record;
    frameLoopPass(record);
    fakeTicks += 100;
    frameLoopPass(record);  // frameDelta is now 0.1
    flashLevel = 100.0f;
    fakeTicks += 100;
    recordedCalls.clear();
    frameLoopPass(record);
    EXPECT_FLOAT_EQ(flashLevel.load(), 95.0f);
    const std::vector<std::string> expected = {"presentFrame", "drawSlide 5", "drawLevelMeter"};
    ASSERT_EQ(recordedNames(true), expected);
    EXPECT_FLOAT_EQ(recordedCalls[0].flashLevel, 100.0f);
    EXPECT_FLOAT_EQ(recordedCalls[1].flashLevel, 95.0f);
}
