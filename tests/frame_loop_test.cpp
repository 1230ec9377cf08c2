// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "app/frame_loop.h"
#include "app/frame_stats.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window_handling.h"
#include "platform/window_events.h"
#include "state/clock.h"
#include "state/run_state.h"
#include "support/gl_test.h"
#include "support/recording_programme.h"
#include "support/test_modules.h"

namespace {
uint32_t fakeTicks = 0;

class FrameLoopTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        recordedCalls.clear();
        setProgramme(recordingProgramme());
        fakeTicks = 5000;
        setClockTicksSource([] { return fakeTicks; });
    }
    void TearDown() override {
        setClockTicksSource(nullptr);
        setProgramme(realProgramme());
        resetRun();
        GlTest::TearDown();
    }
    static WindowEvent keyDown(bool escape = false) { return WindowEvent::key(true, escape); }
};
}  // namespace

TEST_F(FrameLoopTest, ABurstOfEventsIsWorkedOffOnePerFrame) {
    // Sizes tell the events apart; each pass answers one, so the viewport
    // follows them frame by frame.
    const int widths[] = {320, 400, 480};
    for (int width : widths) postWindowEvent(WindowEvent::resized(width, width * 3 / 4));
    WindowEvent record;
    for (int width : widths) {
        EXPECT_FALSE(frameLoopPass(record));
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], width);
        EXPECT_EQ(record.kind, WindowEvent::Kind::resize);
        EXPECT_EQ(record.width, width);
    }
    // With nothing waiting the record keeps the last event taken.
    EXPECT_FALSE(frameLoopPass(record));
    EXPECT_EQ(record.width, 480);
}

TEST_F(FrameLoopTest, TheFrameThatTakesTheQuitIsStillDrawnWithItsMeter) {
    WindowEvent record;
    EXPECT_FALSE(frameLoopPass(record));
    postWindowEvent(WindowEvent::closed());
    recordedCalls.clear();
    EXPECT_FALSE(frameLoopPass(record));  // answering the close posts the quit
    EXPECT_EQ(record.kind, WindowEvent::Kind::close);
    recordedCalls.clear();
    EXPECT_TRUE(frameLoopPass(record));  // this pass takes it and is drawn in full
    EXPECT_EQ(record.kind, WindowEvent::Kind::quit);
    const std::vector<std::string> expected = {"present", "draw title slide", "draw meter"};
    EXPECT_EQ(recordedNames(true), expected);
}

TEST_F(FrameLoopTest, TheMeterIsHandedTheMusicsLevel) {
    static std::vector<uint32_t> levels;
    levels.clear();
    Programme programme = recordingProgramme();
    programme.drawMeter = [](uint32_t level) { levels.push_back(level); };
    setProgramme(programme);
    WindowEvent record;
    frameLoopPass(record);
    frameLoopPass(record);
    // No module is loaded here: the music reports its level of no music,
    // which no made-up level would be.
    const std::vector<uint32_t> expected(2, musicLevel());
    EXPECT_EQ(expected[0], 0xFFFFFFFFu);
    EXPECT_EQ(levels, expected);
}

TEST_F(FrameLoopTest, EscapePressedEndsTheLoopWithExitCodeZero) {
    postWindowEvent(keyDown(true));
    EXPECT_EQ(runFrameLoop(), 0);
    // Frame 1 answered the key, frame 2 took the quit; both drew the title.
    int titleFrames = 0;
    for (const std::string& name : recordedNames(true)) titleFrames += name == "draw title slide";
    EXPECT_EQ(titleFrames, 2);
}

TEST_F(FrameLoopTest, TheLoopReturnsTheQuitsExitCode) {
    postQuit(3);
    EXPECT_EQ(runFrameLoop(), 3);
}

TEST_F(FrameLoopTest, ScenesSeeTheClockValuesOfThePreviousFrameStart) {
    WindowEvent record;
    const uint32_t starts[] = {5000, 5010, 5030, 5060};
    for (uint32_t start : starts) {
        fakeTicks = start;
        frameLoopPass(record);
    }
    std::vector<RecordedCall> slides;
    for (const RecordedCall& call : recordedCalls)
        if (call.name == "draw title slide") slides.push_back(call);
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
    WindowEvent record;
    frameLoopPass(record);
    fakeTicks += 100;
    frameLoopPass(record);  // frameDelta is now 0.1
    flashLevel = 100.0f;
    fakeTicks += 100;
    recordedCalls.clear();
    frameLoopPass(record);
    EXPECT_FLOAT_EQ(flashLevel.load(), 95.0f);
    const std::vector<std::string> expected = {"present", "draw title slide", "draw meter"};
    ASSERT_EQ(recordedNames(true), expected);
    EXPECT_FLOAT_EQ(recordedCalls[0].flashLevel, 100.0f);
    EXPECT_FLOAT_EQ(recordedCalls[1].flashLevel, 95.0f);
}

TEST(FrameStats, MedianAndP99PerRowAreNearestRankOfThatRowsFramesOnly) {
    std::vector<std::pair<int, double>> samples;
    // Row 3: 1..100 ms given in falling order; row 1: three slow frames
    // interleaved, which must not leak into row 3.
    for (int ms = 100; ms >= 1; --ms) {
        samples.emplace_back(3, ms / 1000.0);
        if (ms % 40 == 0) samples.emplace_back(1, 0.5);
    }
    const std::vector<FrameRowStats> rows = summariseFrames(samples);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].row, 1);
    EXPECT_EQ(rows[0].frames, 2u);
    EXPECT_DOUBLE_EQ(rows[0].medianMs, 500.0);
    EXPECT_EQ(rows[1].row, 3);
    EXPECT_EQ(rows[1].frames, 100u);
    EXPECT_DOUBLE_EQ(rows[1].medianMs, 50.0);
    EXPECT_DOUBLE_EQ(rows[1].p99Ms, 99.0);
    EXPECT_DOUBLE_EQ(nearestRankPercentile({7.0}, 0.99), 7.0);
    EXPECT_DOUBLE_EQ(nearestRankPercentile({}, 0.5), 0.0);
}

// The statistics are written only when asked for, describe the rows the loop
// drew, and a file that cannot be written costs nothing but a line on stderr.
TEST_F(FrameLoopTest, StatisticsFileOnlyWhenNamedWithEveryRowDrawn) {
    ScratchFolder scratch;
    const std::string path = scratch.path() + "/stats.txt";
    unsetenv("GLIMMER_FRAME_STATS");
    postQuit(0);
    EXPECT_EQ(runFrameLoop(), 0);
    struct stat info {};
    EXPECT_NE(stat(path.c_str(), &info), 0) << "written although not asked for";

    setenv("GLIMMER_FRAME_STATS", path.c_str(), 1);
    const double before = monotonicSeconds();
    // Title for a few frames, then slide 6 once the first event has come.
    for (int i = 0; i < 4; ++i) postWindowEvent(keyDown());
    storeTimelineValues(0.02, 1000.0);
    for (int i = 0; i < 6; ++i) postWindowEvent(keyDown());
    postWindowEvent(keyDown(true));
    setClockTicksSource([] { return fakeTicks += 10; });
    EXPECT_EQ(runFrameLoop(), 0);
    unsetenv("GLIMMER_FRAME_STATS");

    std::ifstream file(path);
    ASSERT_TRUE(file) << "no statistics file";
    struct Row {
        size_t frames;
        double chosen, shown;
    };
    std::map<int, Row> rows;
    std::string line, word;
    double cpu = -1, wall = -1;
    while (std::getline(file, line)) {
        std::istringstream in(line);
        in >> word;
        if (word == "row") {
            int row = 0;
            size_t frames = 0;
            double median = 0, p99 = 0, chosen = 0, shown = 0;
            in >> row >> frames >> median >> p99 >> chosen >> shown;
            EXPECT_LE(median, p99) << line;
            rows[row] = {frames, chosen, shown};
        } else if (word == "cpu_seconds") {
            in >> cpu;
        } else if (word == "wall_seconds") {
            in >> wall;
        }
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GE(rows[1].frames, 1u);
    EXPECT_GE(rows[2].frames, 1u);
    EXPECT_EQ(rows[1].frames + rows[2].frames, 12u);  // one pass per event, and the one taking the quit
    EXPECT_GE(rows[1].chosen, before);
    // Each row is chosen in one pass and presented by the next one's swap.
    EXPECT_GE(rows[1].shown, rows[1].chosen);
    EXPECT_GE(rows[2].chosen, rows[1].shown);
    EXPECT_GE(rows[2].shown, rows[2].chosen);
    EXPECT_GT(rows[2].shown, rows[1].chosen);
    EXPECT_GE(cpu, 0.0);
    EXPECT_GT(wall, 0.0);

    // A folder that does not exist: said on stderr, the loop ends as usual.
    setenv("GLIMMER_FRAME_STATS", (scratch.path() + "/missing/stats.txt").c_str(), 1);
    postQuit(4);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runFrameLoop(), 4);
    const std::string said = testing::internal::GetCapturedStderr();
    unsetenv("GLIMMER_FRAME_STATS");
    EXPECT_NE(said.find("frame statistics: cannot write"), std::string::npos) << said;
}
