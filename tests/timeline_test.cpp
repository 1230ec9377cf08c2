// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>

#include "app/timeline.h"
#include "platform/window_events.h"
#include "state/clock.h"
#include "state/run_state.h"
#include "support/recording_programme.h"

namespace {
constexpr double epsilon = 0.016;  // a frame interval, as the music events copy it

double justBelow(double x) { return std::nextafter(x, -INFINITY); }

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetRun();
        recordedCalls.clear();
        setProgramme(recordingProgramme());
    }
    void TearDown() override {
        setProgramme(realProgramme());
        resetRun();
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
    EXPECT_EQ(chooseTimelineRow(1995919.0, start), timelineEndRow());
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
        EXPECT_EQ(chooseTimelineRow(bound, afterB), i == 9 ? timelineEndRow() : 4 + i) << "at " << bound;
    }
    EXPECT_EQ(chooseTimelineRow(1e9, afterB), timelineEndRow());
}

TEST_F(TimelineTest, EverySetupRunsOnceInProgrammeOrder) {
    // Title for a while, the two events, then the whole programme at 50 fps.
    for (double t = 0.0; t < 3.0; t += 0.02) stepAt(t);
    storeTimelineValues(epsilon, 135821.0);
    for (double t = 3.0; t < 6.0; t += 0.02) stepAt(t);
    storeTimelineValues(0.0, epsilon);
    int row = 0;
    for (double t = 6.0; row != timelineEndRow(); t += 0.02) row = stepAt(t);

    // Each slide first has the scene before it torn down, when that scene
    // has anything to release.
    const std::vector<std::string> expected = {
        "set up title slide",  "set up slide 6",  "set up flower",   "tear down flower",   "set up slide 7",
        "set up cube/pyramid", "set up slide 8",  "set up scroller", "tear down scroller", "set up slide 9",
        "set up tunnel",       "set up slide 10", "set up morph",    "tear down morph",    "set up credits",
    };
    EXPECT_EQ(recordedNames(false), expected);

    // Slides appear in slot order and each scene is drawn in its row.
    std::vector<std::string> draws;
    for (const std::string& name : recordedNames(true))
        if (name.rfind("draw", 0) == 0 && (draws.empty() || draws.back() != name)) draws.push_back(name);
    const std::vector<std::string> expectedDraws = {
        "draw title slide", "draw slide 6", "draw flower", "draw slide 7",  "draw cube/pyramid", "draw slide 8",
        "draw scroller",    "draw slide 9", "draw tunnel", "draw slide 10", "draw morph",        "draw credits"};
    EXPECT_EQ(draws, expectedDraws);
}

TEST_F(TimelineTest, SetupsRunBeforeTheirRowMarksTheFlags) {
    stepAt(0.0);
    storeTimelineValues(epsilon, 135821.0);
    stepAt(1.0);
    storeTimelineValues(1.0, 1.0);
    for (double t = 1.0; t < 227.0; t += 0.05) stepAt(t);
    int setUps = 0;
    for (const RecordedCall& call : recordedCalls) {
        if (call.name.rfind("set up", 0) != 0) continue;
        SCOPED_TRACE(call.name);
        ++setUps;
        // The title starts from nothing; every later set-up still sees the
        // flags of the row before it, the opposite kind.
        const bool title = call.name == "set up title slide";
        const bool scene = call.name.find("slide") == std::string::npos && call.name != "set up credits";
        EXPECT_EQ(call.sceneMode, !title && !scene);
        EXPECT_EQ(call.slideMode, scene);
    }
    EXPECT_EQ(setUps, timelineRowCount());
}

TEST_F(TimelineTest, EndRowPostsQuitOnEveryFrameUntilTaken) {
    storeTimelineValues(0.0, epsilon);
    EXPECT_EQ(stepAt(225.0 + epsilon), timelineEndRow());
    WindowEvent event;
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::quit);
    EXPECT_EQ(event.exitCode, 0);
    EXPECT_FALSE(takeWindowEvent(event));
    recordedCalls.clear();
    EXPECT_EQ(stepAt(226.0), timelineEndRow());
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::quit);
    EXPECT_TRUE(recordedCalls.empty()) << "the end row draws no scene";
}

TEST_F(TimelineTest, OnlyASceneThatWasSetUpIsTornDownAndOnlyOnce) {
    stepAt(0.0);  // title
    storeTimelineValues(epsilon, 135821.0);
    stepAt(1.0);  // slide 6: nothing before it to release
    storeTimelineValues(0.0, epsilon);
    stepAt(2.0);   // flower
    stepAt(50.0);  // slide 7 releases it
    stepAt(51.0);
    tearDownTimeline();  // a run stopping on a slide has nothing left to release
    stepAt(100.0);       // scroller
    tearDownTimeline();  // a run stopping inside it releases it
    stepAt(140.0);       // slide 9 finds it released already
    const std::vector<std::string> expected = {"set up title slide", "set up slide 6", "set up flower",
                                               "tear down flower",   "set up slide 7", "set up scroller",
                                               "tear down scroller", "set up slide 9"};
    EXPECT_EQ(recordedNames(false), expected);
}

TEST_F(TimelineTest, SceneSetupRunsBeforeItsFirstFrameEvenWhenBothEventsFallBetweenFrames) {
    stepAt(0.0);  // title marks sceneMode
    storeTimelineValues(epsilon, 135821.0);
    storeTimelineValues(0.0, epsilon);  // both events before the next frame
    stepAt(0.5);
    const std::vector<std::string> expected = {"set up title slide", "draw title slide", "set up flower",
                                               "draw flower"};
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
    const std::vector<std::string> expected = {"set up title slide", "draw title slide", "set up slide 6",
                                               "draw slide 6",       "draw slide 7",     "set up cube/pyramid",
                                               "draw cube/pyramid"};
    EXPECT_EQ(recordedNames(true), expected);
}

TEST(TimelineTable, EveryRowHasWhatItsKindRuns) {
    // A row without its set-up or frame would show nothing when reached; the
    // title opens the programme, and slides and scenes take turns after it.
    ASSERT_EQ(timelineRowCount(), 12);
    for (int row = 1; row <= timelineRowCount(); ++row) {
        SCOPED_TRACE(row);
        const TimelineRow& entry = timelineRow(row);
        EXPECT_STRNE(entry.scene.name, "");
        EXPECT_TRUE(entry.scene.setUp);
        EXPECT_TRUE(entry.scene.frame);
        const RowKind expected = row == 1 ? RowKind::title : row % 2 == 0 ? RowKind::slide : RowKind::scene;
        EXPECT_EQ(entry.kind, expected);
    }
    EXPECT_STREQ(timelineRowName(3), "flower");
    EXPECT_STREQ(timelineRowName(timelineEndRow()), "end");
    EXPECT_STREQ(timelineRowName(0), "");
    EXPECT_STREQ(timelineRowName(14), "");
    EXPECT_EQ(timelineRowEnd(0, {0.0, 1.0}), 0.0);
    EXPECT_EQ(timelineRowEnd(timelineEndRow(), {0.0, 1.0}), 0.0);
}
