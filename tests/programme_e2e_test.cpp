// SPDX-License-Identifier: MIT
// The whole programme, title to credits, headless at 10 frames per second with
// the generated data set: the real scenes, the real music rendered offline.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "app/headless_run.h"
#include "app/timeline.h"
#include "assets/ms3d_model.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "scenes/scroller_scene.h"
#include "state/run_state.h"

namespace {
// The real programme with every set-up and tear-down counted on its way.
std::map<std::string, int> setupCounts;

std::function<void()> counted(const std::string& what, std::function<void()> step) {
    if (!step) return step;
    return [what, step] {
        ++setupCounts[what];
        step();
    };
}

Programme countingProgramme() {
    Programme programme = realProgramme();
    for (TimelineRow& row : programme.rows) {
        row.scene.setUp = counted(std::string("set up ") + row.scene.name, row.scene.setUp);
        row.scene.tearDown = counted(std::string("tear down ") + row.scene.name, row.scene.tearDown);
    }
    return programme;
}

constexpr int thumbWidth = 80;
constexpr int thumbHeight = 60;
using Thumbnail = std::vector<int>;  // RGB, 8x8 pixel blocks averaged

Thumbnail thumbnail(const std::vector<uint8_t>& frame, int width, int height) {
    Thumbnail thumb(size_t(thumbWidth * thumbHeight * 3), 0);
    const int bx = width / thumbWidth, by = height / thumbHeight;
    for (int y = 0; y < thumbHeight * by; ++y)
        for (int x = 0; x < thumbWidth * bx; ++x)
            for (int c = 0; c < 3; ++c)
                thumb[size_t(((y / by) * thumbWidth + x / bx) * 3 + c)] += frame[(size_t(y) * width + x) * 4 + c];
    for (int& value : thumb) value /= bx * by;
    return thumb;
}

double meanDifference(const Thumbnail& a, const Thumbnail& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / double(a.size());
}

double spread(const Thumbnail& thumb) {  // mean distance from the average colour
    double mean[3] = {0, 0, 0};
    for (size_t i = 0; i < thumb.size(); ++i) mean[i % 3] += thumb[i];
    for (double& m : mean) m /= double(thumb.size() / 3);
    double sum = 0;
    for (size_t i = 0; i < thumb.size(); ++i) sum += std::abs(thumb[i] - mean[i % 3]);
    return sum / double(thumb.size());
}

struct RowRecord {
    std::vector<Thumbnail> thumbs;
    std::vector<double> times;
    bool meterSeen = true;
};

class ProgrammeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        setDataSearchRoots({std::string(GLIMMER_BUILD_FOLDER)});
        captureMessageBoxes(true);
        setupCounts.clear();
        setProgramme(countingProgramme());
    }
    void TearDown() override {
        setProgramme(realProgramme());
        resetDataSearchRoots();
        captureMessageBoxes(false);
    }
};
}  // namespace

TEST_F(ProgrammeEndToEnd, PlaysTitleToCreditsWithEverySceneOnceAndEndsByItself) {
    std::vector<int> rowOrder;
    std::map<int, RowRecord> rows;
    int timelineChanges = 0, flashes = 0, glErrors = 0;
    TimelineValues lastValues = loadTimelineValues();
    float lastFlash = flashLevel.load();
    bool fontListsGoneOnSlide9 = false;
    bool modelsGoneOnCredits = false;

    HeadlessRunOptions options;
    options.fps = 10;
    HeadlessRunResult result = runHeadlessProgramme(options, [&](const HeadlessFrame& frame) {
        if (glGetError() != GL_NO_ERROR) ++glErrors;
        if (rowOrder.empty() || rowOrder.back() != frame.row) rowOrder.push_back(frame.row);
        TimelineValues values = loadTimelineValues();
        if (values.timelineStart != lastValues.timelineStart || values.timelineOffset != lastValues.timelineOffset)
            ++timelineChanges;
        lastValues = values;
        if (flashLevel.load() > lastFlash + 1.0f) ++flashes;
        lastFlash = flashLevel.load();
        if (frame.row == 9) fontListsGoneOnSlide9 = glIsList(fontBase) == GL_FALSE;
        if (frame.row == 12) modelsGoneOnCredits = !modelA && !modelB && !modelC;

        std::vector<uint8_t> pixels = readFramePixels(options.width, options.height);
        RowRecord& record = rows[frame.row];
        record.thumbs.push_back(thumbnail(pixels, options.width, options.height));
        record.times.push_back(frame.startSeconds);
        // Over every frame, a 30 % white bar covers pixel row 469 at x 595.
        const uint8_t* bar = &pixels[(469u * options.width + 595u) * 4];
        if (bar[0] < 70 || bar[1] < 70 || bar[2] < 70) record.meterSeen = false;
        return true;
    });

    ASSERT_TRUE(result.started) << result.error;
    EXPECT_TRUE(result.programmeEnded);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(glErrors, 0);

    const std::vector<int> expectedRows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(rowOrder, expectedRows);
    // Every row set up once; what the flower, the scroller and the morph made
    // released once.
    std::map<std::string, int> expectedSetups = {
        {"tear down flower", 1}, {"tear down scroller", 1}, {"tear down morph", 1}};
    for (int row = 1; row <= timelineRowCount(); ++row)
        expectedSetups[std::string("set up ") + timelineRowName(row)] = 1;
    EXPECT_EQ(setupCounts, expectedSetups);
    EXPECT_EQ(timelineChanges, 2) << "the two position events, once each";
    EXPECT_EQ(flashes, 1) << "the instrument event, once";
    EXPECT_TRUE(fontListsGoneOnSlide9);
    EXPECT_TRUE(modelsGoneOnCredits);
    EXPECT_EQ(modelA, nullptr);
    EXPECT_EQ(modelB, nullptr);
    EXPECT_EQ(modelC, nullptr);

    // The closing slide ends 225 s plus one frame interval (0.1 s at 10 fps)
    // of `elapsed` after the first frame. In frame n, `elapsed` is the start of
    // frame n-1, so its last frame starts at 225.1 s; the end row's frame
    // posts the quit and the next frame takes it.
    ASSERT_TRUE(rows.count(12) && rows.count(13));
    EXPECT_NEAR(rows[12].times.back(), 225.1, 1e-6);
    EXPECT_EQ(rows[13].times.size(), 2u);
    EXPECT_EQ(result.frames, 2254u);

    // The middle frame of every row: slides show a picture, every scene
    // differs from the slide before it, and the meter is there.
    for (int row = 1; row <= 12; ++row) {
        ASSERT_TRUE(rows.count(row)) << "row " << row;
        const RowRecord& record = rows[row];
        const Thumbnail& middle = record.thumbs[record.thumbs.size() / 2];
        EXPECT_TRUE(record.meterSeen) << "row " << row;
        const bool slide = row == 1 || row == 2 || row % 2 == 0;
        if (slide) {
            EXPECT_GT(spread(middle), 8.0) << "slide of row " << row << " shows a picture, not a plain colour";
        } else {
            const RowRecord& before = rows[row - 1];
            EXPECT_GT(meanDifference(middle, before.thumbs[before.thumbs.size() / 2]), 8.0)
                << "scene of row " << row << " differs from the slide before it";
        }
    }
}

TEST_F(ProgrammeEndToEnd, TwoRunsOfTheSameRangeGiveIdenticalFramesAndSound) {
    auto fingerprint = [](std::vector<uint64_t>& hashes) {
        HeadlessRunOptions options;
        options.fps = 25;
        options.width = 320;
        options.height = 240;
        options.stopAfterSeconds = 4.0;
        return runHeadlessProgramme(options, [&](const HeadlessFrame& frame) {
            std::vector<uint8_t> pixels = readFramePixels(320, 240);
            uint64_t hash = 1469598103934665603ull;
            for (uint8_t byte : pixels) hash = (hash ^ byte) * 1099511628211ull;
            const auto* audio = reinterpret_cast<const uint8_t*>(frame.audio);
            for (size_t i = 0; i < frame.audioFrames * 2 * sizeof(float); ++i)
                hash = (hash ^ audio[i]) * 1099511628211ull;
            hashes.push_back(hash);
            return true;
        });
    };
    std::vector<uint64_t> first, second;
    ASSERT_TRUE(fingerprint(first).started);
    ASSERT_TRUE(fingerprint(second).started);
    EXPECT_EQ(first.size(), 100u);  // frames at 0, 0.04, ... 3.96 s: the end is not included
    EXPECT_EQ(first, second);
}

TEST(HeadlessRun, AudioOfFrameNStartsAtSampleNTimesRateOverFps) {
    EXPECT_EQ(audioFrameAtVideoFrame(0, 60), 0u);
    EXPECT_EQ(audioFrameAtVideoFrame(1, 60), 735u);
    EXPECT_EQ(audioFrameAtVideoFrame(60 * 225, 60), 44100u * 225u);  // no drift over the show
    EXPECT_EQ(audioFrameAtVideoFrame(1, 24), 1837u);
    EXPECT_EQ(audioFrameAtVideoFrame(24 * 225, 24), 44100u * 225u);
}
