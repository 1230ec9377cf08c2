// SPDX-License-Identifier: MIT
// The flash counter on the rendered show, as the capture tool renders it
// (640x480, 60 fps): the gentle show over its whole length stays within the
// photosensitivity limits, and the default show's flower strobe is found.
// Each run prints the worst second of every timeline row it covers.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "app/headless_run.h"
#include "app/timeline.h"
#include "flash_counter.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "state/gentle_mode.h"

namespace {
constexpr int width = 640, height = 480, fps = 60;

// The limits of the guidelines: at most 3 flashes in any second, no red one.
constexpr int generalLimit = 3;
constexpr int redLimit = 0;

struct ShowFlashes {
    bool started = false;
    std::string error;
    FlashCounter counter{width, height, fps};
    std::map<int, std::pair<uint64_t, uint64_t>> rowFrames;  // row -> first, end (counter frames)
    double firstSeconds = 0;
};

void measure(ShowFlashes& show, bool gentle, double fromSeconds, double toSeconds) {
    setGentleMode(gentle);
    HeadlessRunOptions run;
    run.fps = fps;
    run.drawFromSeconds = fromSeconds;
    run.stopAfterSeconds = toSeconds;
    bool first = true;
    const HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
        if (!frame.drawn || frame.startSeconds < fromSeconds || frame.row < 1 || frame.row > timelineRowCount())
            return true;
        if (first) show.firstSeconds = frame.startSeconds, first = false;
        const uint64_t index = show.counter.frames();
        auto [place, added] = show.rowFrames.try_emplace(frame.row, index, index + 1);
        if (!added) place->second.second = index + 1;
        show.counter.addFrame(readFramePixels(width, height).data(), 4);
        return true;
    });
    setGentleMode(false);
    show.started = result.started;
    show.error = result.error;
}

void printRows(const char* title, const ShowFlashes& show) {
    std::printf("%s: most flashes in any second of any tile\n", title);
    std::printf("  %-14s %-13s %7s %4s\n", "row", "from", "general", "red");
    for (const auto& [row, frames] : show.rowFrames) {
        const FlashPeak peak = show.counter.worstSecond(frames.first, frames.second);
        std::printf("  %-14s %6.2f s      %7d %4d\n", timelineRowName(row),
                    show.firstSeconds + double(frames.first) / fps, peak.general.flashes, peak.red.flashes);
    }
}

class ShowFlashesTest : public ::testing::Test {
protected:
    void SetUp() override { setDataSearchRoots({std::string(GLIMMER_BUILD_FOLDER)}); }
    void TearDown() override {
        setGentleMode(false);
        resetDataSearchRoots();
    }
};
}  // namespace

TEST_F(ShowFlashesTest, TheGentleShowStaysWithinTheLimitsInEverySecondOfEveryTile) {
    ShowFlashes show;
    measure(show, true, 0.0, 0.0);
    ASSERT_TRUE(show.started) << show.error;
    printRows("gentle show", show);
    // The whole programme was seen, title to credits.
    EXPECT_TRUE(show.rowFrames.count(1) && show.rowFrames.count(timelineRowCount()));
    EXPECT_GT(show.counter.frames(), uint64_t(200 * fps));
    const FlashPeak peak = show.counter.worstSecond();
    EXPECT_LE(peak.general.flashes, generalLimit)
        << "at " << double(peak.general.frame) / fps << " s, tile " << peak.general.tile;
    EXPECT_LE(peak.red.flashes, redLimit) << "at " << double(peak.red.frame) / fps << " s, tile " << peak.red.tile;
}

// The same counter finds the strobe the default show keeps at the music's
// flash, around 0:30, so a gentle show that passed is not a blind counter.
TEST_F(ShowFlashesTest, TheDefaultShowsFlowerStrobeIsFound) {
    ShowFlashes show;
    measure(show, false, 26.0, 36.0);
    ASSERT_TRUE(show.started) << show.error;
    printRows("default show, 26 to 36 s", show);
    const FlashPeak peak = show.counter.worstSecond();
    EXPECT_GT(peak.general.flashes, generalLimit);
    EXPECT_GT(peak.red.flashes, redLimit);
    // Found in the flower's row.
    ASSERT_TRUE(show.rowFrames.count(3));
    const auto flower = show.rowFrames.at(3);
    EXPECT_GT(show.counter.worstSecond(flower.first, flower.second).general.flashes, generalLimit);

    // And the gentle show over the same seconds calms it.
    ShowFlashes gentle;
    measure(gentle, true, 26.0, 36.0);
    ASSERT_TRUE(gentle.started) << gentle.error;
    printRows("gentle show, 26 to 36 s", gentle);
    EXPECT_LE(gentle.counter.worstSecond().general.flashes, generalLimit);
    EXPECT_EQ(gentle.counter.worstSecond().red.flashes, 0);
}
