// SPDX-License-Identifier: MIT
// The flash counter on synthetic pictures whose flashes are known.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "flash_counter.h"

namespace {
constexpr int width = 16, height = 12, fps = 60;

struct Rgb {
    uint8_t r, g, b;
};

// Feeds `seconds` of frames whose colour in tile `tile` (or every tile when
// -1) is colourAt(frame); the other tiles stay mid grey.
FlashCounter play(double seconds, const std::function<Rgb(int)>& colourAt, int tile = -1) {
    FlashCounter counter(width, height, fps);
    std::vector<uint8_t> frame(width * height * 3);
    for (int n = 0; n < int(seconds * fps); ++n) {
        const Rgb c = colourAt(n);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int t = (y * 4 / height) * 4 + x * 4 / width;
                const Rgb p = tile < 0 || t == tile ? c : Rgb{128, 128, 128};
                uint8_t* out = &frame[(y * width + x) * 3];
                out[0] = p.r, out[1] = p.g, out[2] = p.b;
            }
        counter.addFrame(frame.data());
    }
    return counter;
}

// Two colours taking turns, each shown for half a period of `hertz`.
std::function<Rgb(int)> flicker(double hertz, Rgb a, Rgb b) {
    return [=](int n) { return std::fmod(n * hertz / fps, 1.0) < 0.5 ? a : b; };
}

const Rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0};
// sRGB 128 grey has about the luminance of pure red (0.216 and 0.213).
const Rgb greyAsBrightAsRed{128, 128, 128};
}  // namespace

TEST(FlashCounter, RelativeLuminanceAndRedValueFollowTheirDefinitions) {
    EXPECT_NEAR(relativeLuminance({1, 1, 1}), 1.0, 1e-12);
    EXPECT_NEAR(relativeLuminance({1, 0, 0}), 0.2126, 1e-12);
    EXPECT_NEAR(relativeLuminance({0, 1, 0}), 0.7152, 1e-12);
    EXPECT_DOUBLE_EQ(redFlashValue({1, 0, 0}), 320.0);
    EXPECT_NEAR(redFlashValue({0.9, 0.1, 0.05}), 240.0, 1e-9);
    // A red share below 0.8 is not saturated red, however bright.
    EXPECT_EQ(redFlashValue({0.7, 0.2, 0.0}), 0.0);
    EXPECT_EQ(redFlashValue({0, 0, 0}), 0.0);
}

TEST(FlashCounter, FindsAFullTileFlickerAtItsRate) {
    // 4 Hz: eight transitions, four flashes in every second.
    const FlashPeak fast = play(3.0, flicker(4.0, black, white)).worstSecond();
    EXPECT_EQ(fast.general.flashes, 4);
    EXPECT_EQ(fast.red.flashes, 0);
    // 3 Hz is as many as the guidelines allow, and counted as three.
    EXPECT_EQ(play(3.0, flicker(3.0, black, white)).worstSecond().general.flashes, 3);
    // 12 Hz, the flower's kind of strobe.
    EXPECT_EQ(play(2.0, flicker(12.0, black, white)).worstSecond().general.flashes, 12);
}

TEST(FlashCounter, SlowFadesAndSmallOrBrightChangesAreNoFlashes) {
    // A fade from black to white and back every four seconds.
    auto fade = [](int n) {
        const uint8_t v = uint8_t(127.5 - 127.5 * std::cos(2 * M_PI * n / (4.0 * fps)));
        return Rgb{v, v, v};
    };
    EXPECT_EQ(play(8.0, fade).worstSecond().general.flashes, 0);
    // A fast flicker of less than 0.1 in luminance (grey 0.216 against 0.262).
    EXPECT_EQ(play(2.0, flicker(8.0, Rgb{128, 128, 128}, Rgb{140, 140, 140})).worstSecond().general.flashes, 0);
    // A fast flicker whose darker state is above 0.8 (0.82 against 1.0).
    EXPECT_EQ(play(2.0, flicker(8.0, Rgb{235, 235, 235}, white)).worstSecond().general.flashes, 0);
    // ... but the same with its darker state just below 0.8 counts.
    EXPECT_EQ(play(2.0, flicker(8.0, Rgb{225, 225, 225}, white)).worstSecond().general.flashes, 8);
}

TEST(FlashCounter, TellsARedFlashFromAGeneralOne) {
    // Red against a grey as bright: colour only, no general flash.
    const FlashPeak redOnly = play(2.0, flicker(4.0, red, greyAsBrightAsRed)).worstSecond();
    EXPECT_EQ(redOnly.red.flashes, 4);
    EXPECT_EQ(redOnly.general.flashes, 0);
    // Red against black changes the luminance too: both kinds.
    const FlashPeak both = play(2.0, flicker(4.0, red, black)).worstSecond();
    EXPECT_EQ(both.red.flashes, 4);
    EXPECT_EQ(both.general.flashes, 4);
    // Orange (red share below 0.8) against black is no red flash.
    const FlashPeak orange = play(2.0, flicker(4.0, Rgb{255, 140, 0}, black)).worstSecond();
    EXPECT_EQ(orange.red.flashes, 0);
    EXPECT_EQ(orange.general.flashes, 4);
    // A single red frame in the dark: one pair of opposing transitions.
    const FlashPeak once = play(2.0, [](int n) { return n == 30 ? red : black; }).worstSecond();
    EXPECT_EQ(once.red.flashes, 1);
    EXPECT_EQ(once.red.frame, 0u);
}

TEST(FlashCounter, CountsEachTileOnItsOwn) {
    const FlashCounter counter = play(2.0, flicker(6.0, black, white), 9);
    const FlashPeak peak = counter.worstSecond();
    EXPECT_EQ(peak.general.flashes, 6);
    EXPECT_EQ(peak.general.tile, 9);
    EXPECT_TRUE(counter.generalTransitions(8).empty());
    // Two seconds hold 24 half periods: 23 changes, the first state reached
    // without one.
    EXPECT_EQ(counter.generalTransitions(9).size(), 23u);
}

TEST(FlashCounter, AWindowIsOneSecondAndRangesChooseWhereItStarts) {
    // Two seconds of grey, one second of 5 Hz flicker, two seconds of grey.
    auto burst = [](int n) { return n >= 2 * fps && n < 3 * fps ? flicker(5.0, black, white)(n) : greyAsBrightAsRed; };
    const FlashCounter counter = play(5.0, burst);
    const FlashPeak all = counter.worstSecond();
    EXPECT_EQ(all.general.flashes, 5);
    EXPECT_GE(all.general.frame, uint64_t(fps));
    EXPECT_LE(all.general.frame, uint64_t(3 * fps));
    // Windows that start in the first second end before the burst's middle.
    EXPECT_LT(counter.worstSecond(0, fps).general.flashes, 5);
    EXPECT_EQ(counter.worstSecond(0, fps / 2).general.flashes, 0);
    EXPECT_EQ(counter.worstSecond(3 * fps + 1, 5 * fps).general.flashes, 0);
}

TEST(FlashCounter, ANoisyRunIsOneTransition) {
    // A rise from black to white over half a second with a wobble of 0.05
    // on the way, then a fall: two transitions, one flash.
    auto ramp = [](int n) {
        const double up = n < 30 ? n / 30.0 : std::max(0.0, 1.0 - (n - 30) / 30.0);
        const double wobble = (n % 2) ? 0.04 : 0.0;
        const uint8_t v = uint8_t(std::min(255.0, 255.0 * std::pow(std::max(0.0, up - wobble), 1 / 2.2)));
        return Rgb{v, v, v};
    };
    const FlashCounter counter = play(2.0, ramp);
    EXPECT_EQ(counter.generalTransitions(0).size(), 2u);
    EXPECT_EQ(counter.worstSecond().general.flashes, 1);
}

TEST(FlashCounter, ReadsRgbaFramesTopRowFirst) {
    // RGBA pictures whose top row of tiles flickers: the flicker must land in
    // tiles 0..3 and nowhere else, and the alpha byte must not be read as a
    // colour (it is 0 here, which would darken every pixel it replaced).
    FlashCounter counter(width, height, fps);
    std::vector<uint8_t> frame(width * height * 4);
    for (int n = 0; n < 2 * fps; ++n) {
        const uint8_t v = flicker(4.0, black, white)(n).r;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* pixel = &frame[(y * width + x) * 4];
                pixel[0] = pixel[1] = pixel[2] = y < height / 4 ? v : 255;
                pixel[3] = 0;
            }
        counter.addFrame(frame.data(), 4);
    }
    const FlashPeak peak = counter.worstSecond();
    EXPECT_EQ(peak.general.flashes, 4);
    EXPECT_EQ(peak.general.tile, 0);
    EXPECT_FALSE(counter.generalTransitions(3).empty());
    EXPECT_TRUE(counter.generalTransitions(4).empty());
    EXPECT_TRUE(counter.generalTransitions(15).empty());
}
