// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "app/clock.h"
#include "app/shared_state.h"
#include "app/timeline.h"
#include "assets/ms3d_model.h"
#include "platform/window_events.h"
#include "support/recording_programme.h"

namespace {
constexpr double epsilon = 0.016;  // a frame interval, as the music events copy it

double justBelow(double x) { return std::nextafter(x, -INFINITY); }

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSharedState();
        resetTimeline();
        resetWindowEvents();
        recordedCalls.clear();
        setProgrammeOps(recordingProgramme());
    }
    void TearDown() override {
        setProgrammeOps(programmeOperations());
        delete modelA;
        modelA = nullptr;
        resetTimeline();
        resetWindowEvents();
        resetSharedState();
    }
    int stepAt(double seconds) {
        elapsed = seconds;
        return timelineStep();
    }
};
}  // namespace

TEST(TimelineRows, TitleHoldsUntilTheFirstEventOrTheFarBound) {
    const TimelineValues start{initialTimelineStart, initialTimelineOffset};
    EXPECT_EQ(chooseTimelineRow(0.0, start), 1);
    EXPECT_EQ(chooseTimelineRow(500.0, start), 1);
    EXPECT_EQ(chooseTimelineRow(justBelow(1995919.0), start), 1);
    // Equal to the bound belongs to the next row; every later bound is already
    // behind, so a title that never ends gives way to the end of the programme.
    EXPECT_EQ(chooseTimelineRow(1995919.0, start), timelineEndRow);
}

TEST(TimelineRows, AfterTheFirstEventSlideSixHoldsForDays) {
    const TimelineValues afterA{epsilon, 135821.0};
    EXPECT_EQ(chooseTimelineRow(epsilon, afterA), 2);  // the title's bound is passed at once
    EXPECT_EQ(chooseTimelineRow(300.0, afterA), 2);
    EXPECT_EQ(chooseTimelineRow(justBelow(epsilon + 135821.0), afterA), 2);
    EXPECT_EQ(chooseTimelineRow(justBelow(epsilon), afterA), 1);
}

TEST(TimelineRows, AfterTheSecondEventRowsFollowElapsedWithStrictBounds) {
    const TimelineValues afterB{0.0, epsilon};
    const double ends[] = {40, 60, 80, 90, 135, 145, 170, 175, 190, 225};
    EXPECT_EQ(chooseTimelineRow(epsilon, afterB), 3);
    for (int i = 0; i < 10; ++i) {
        const double bound = epsilon + ends[i];
        EXPECT_EQ(chooseTimelineRow(justBelow(bound), afterB), 3 + i) << "just below " << bound;
        EXPECT_EQ(chooseTimelineRow(bound, afterB), i == 9 ? timelineEndRow : 4 + i) << "at " << bound;
    }
    EXPECT_EQ(chooseTimelineRow(1e9, afterB), timelineEndRow);
}

TEST_F(TimelineTest, EverySetupRunsOnceInProgrammeOrder) {
    // Title for a while, the two events, then the whole programme at 50 fps.
    for (double t = 0.0; t < 3.0; t += 0.02) stepAt(t);
    storeTimelineValues(epsilon, 135821.0);
    for (double t = 3.0; t < 6.0; t += 0.02) stepAt(t);
    storeTimelineValues(0.0, epsilon);
    int row = 0;
    for (double t = 6.0; row != timelineEndRow; t += 0.02) row = stepAt(t);

    const std::vector<std::string> expected = {
        "beginSlideMode",         // title
        "beginSlideMode",         // slide 6
        "setupFlowerScene",       //
        "beginSlideMode",         // slide 7
        "setupCubePyramidScene",  //
        "beginSlideMode",         // slide 8
        "setupScrollerScene",     //
        "deleteOutlineFont",      // slide 9
        "beginSlideMode",         //
        "setupTunnelScene",       //
        "beginSlideMode",         // slide 10
        "setupMorphScene",        //
        "releaseMorphModels",     // closing slide
        "beginSlideMode",
    };
    EXPECT_EQ(recordedNames(false), expected);

    // Slides appear in slot order and each scene is drawn in its row.
    std::vector<std::string> draws;
    for (const std::string& name : recordedNames(true))
        if (name.rfind("draw", 0) == 0 && (draws.empty() || draws.back() != name)) draws.push_back(name);
    const std::vector<std::string> expectedDraws = {
        "drawSlide 5",       "drawSlide 6", "drawFlowerFrame", "drawSlide 7",  "drawCubePyramidFrame", "drawSlide 8",
        "drawScrollerFrame", "drawSlide 9", "drawTunnelFrame", "drawSlide 10", "drawMorphFrame",       "drawSlide 11"};
    EXPECT_EQ(draws, expectedDraws);
}

TEST_F(TimelineTest, SetupsSeeTheFlagsAndValuesTheirRowPrescribes) {
    storeTimelineValues(0.0, epsilon);
    rotY = 7.0f;
    phase = 3.0f;
    for (double t = 0.0; t < 226.0; t += 0.05) stepAt(t);
    auto find = [](const std::string& name) {
        for (const RecordedCall& call : recordedCalls)
            if (call.name == name) return call;
        ADD_FAILURE() << name << " was not called";
        return RecordedCall{};
    };
    // The flower's set-up runs after its row has marked the flags...
    RecordedCall flower = find("setupFlowerScene");
    EXPECT_TRUE(flower.sceneMode);
    EXPECT_FALSE(flower.slideMode);
    EXPECT_EQ(flower.rotY, 7.0f);  // ...and starts from the accumulators as they are.
    // The cube's set-up runs before the flags change.
    RecordedCall cube = find("setupCubePyramidScene");
    EXPECT_FALSE(cube.sceneMode);
    EXPECT_TRUE(cube.slideMode);
    // The scroller starts from reset accumulators with phase 15.
    RecordedCall scroller = find("setupScrollerScene");
    EXPECT_EQ(scroller.phase, 15.0f);
    EXPECT_EQ(scroller.rotY, 0.0f);
    // The tunnel and the morph start from reset accumulators.
    EXPECT_EQ(find("setupTunnelScene").phase, 0.0f);
    EXPECT_EQ(find("setupMorphScene").phase, 0.0f);
}

TEST_F(TimelineTest, EndRowPostsQuitOnEveryFrameUntilTaken) {
    storeTimelineValues(0.0, epsilon);
    EXPECT_EQ(stepAt(225.0 + epsilon), timelineEndRow);
    WindowEvent event;
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::quit);
    EXPECT_EQ(event.exitCode, 0);
    EXPECT_FALSE(takeWindowEvent(event));
    recordedCalls.clear();
    EXPECT_EQ(stepAt(226.0), timelineEndRow);
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::quit);
    EXPECT_TRUE(recordedCalls.empty()) << "the end row draws no scene";
}

TEST_F(TimelineTest, SlideRowsBeforeFlowerAndCubeReleaseTheFlowerModelOnlyWhenHeld) {
    stepAt(0.0);  // title
    storeTimelineValues(epsilon, 135821.0);
    stepAt(1.0);  // slide 6 finds modelA empty
    EXPECT_EQ(modelA, nullptr);
    storeTimelineValues(0.0, epsilon);
    stepAt(2.0);  // flower; the stand-in loads nothing, so give it a model
    modelA = new Ms3dModel;
    stepAt(50.0);  // slide 7 destroys it
    EXPECT_EQ(modelA, nullptr);
    stepAt(51.0);
    EXPECT_EQ(modelA, nullptr);
}

TEST_F(TimelineTest, SceneSetupRunsBeforeItsFirstFrameEvenWhenBothEventsFallBetweenFrames) {
    stepAt(0.0);  // title marks sceneMode
    storeTimelineValues(epsilon, 135821.0);
    storeTimelineValues(0.0, epsilon);  // both events before the next frame
    stepAt(0.5);
    const std::vector<std::string> expected = {"beginSlideMode", "drawSlide 5", "setupFlowerScene", "drawFlowerFrame"};
    EXPECT_EQ(recordedNames(true), expected);
    stepAt(0.6);
    EXPECT_EQ(recordedNames(false).size(), 2u) << "and only once";
}

TEST_F(TimelineTest, LateSecondEventSkipsTheFlowerRow) {
    stepAt(0.0);
    storeTimelineValues(epsilon, 135821.0);
    stepAt(45.0);  // slide 6
    storeTimelineValues(0.0, epsilon);
    stepAt(50.0);  // flower's time is over: slide 7 without a new set-up
    stepAt(70.0);  // cube
    const std::vector<std::string> expected = {"beginSlideMode",      "drawSlide 5", "beginSlideMode",
                                               "drawSlide 6",         "drawSlide 7", "setupCubePyramidScene",
                                               "drawCubePyramidFrame"};
    EXPECT_EQ(recordedNames(true), expected);
}

TEST(TimelineTable, EveryRowHasWhatItsKindRuns) {
    // A scene row without its set-up or frame would crash when reached; a
    // picture row must show the slots 5 to 11 in order.
    int nextSlot = 5;
    for (int row = 1; row <= timelineRowCount; ++row) {
        SCOPED_TRACE(row);
        const TimelineRow& entry = timelineRow(row);
        EXPECT_STRNE(entry.name, "");
        if (entry.kind == RowKind::scene) {
            EXPECT_NE(entry.setUp, nullptr);
            EXPECT_NE(entry.frame, nullptr);
        } else {
            EXPECT_EQ(entry.slideSlot, nextSlot++);
            EXPECT_EQ(entry.kind == RowKind::title, row == 1);
        }
    }
    EXPECT_EQ(nextSlot, 12);
    EXPECT_STREQ(timelineRowName(3), "flower");
    EXPECT_STREQ(timelineRowName(timelineEndRow), "end");
    EXPECT_STREQ(timelineRowName(0), "");
    EXPECT_STREQ(timelineRowName(14), "");
    EXPECT_EQ(timelineRowEnd(0, {0.0, 1.0}), 0.0);
    EXPECT_EQ(timelineRowEnd(timelineEndRow, {0.0, 1.0}), 0.0);
}
