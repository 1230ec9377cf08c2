// SPDX-License-Identifier: MIT
// The desktop suite's measurements: a wrong lag or clock here would show as
// a sound offset the demo does not have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "probe.h"

namespace {
constexpr double rate = 44100.0;

// Music-like test signal: a few tones under a pseudo-random rattle.
std::vector<float> testSignal(size_t frames, uint32_t seed) {
    std::vector<float> out(frames);
    for (size_t i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double t = double(i) / rate;
        out[i] = float(0.05 * std::sin(2 * M_PI * 220 * t) + 0.05 * std::sin(2 * M_PI * 331 * t) +
                       0.6 * (double(seed >> 8) / double(1 << 24) - 0.5));
    }
    return out;
}
}  // namespace

TEST(SoundMatch, FindsTheMusicAtItsSampleInAQuieterNoisyRecording) {
    const std::vector<float> reference = testSignal(size_t(2 * rate), 7);
    // The recording starts 0.3 s before the music and some samples more,
    // at a third of the volume, with hiss of its own.
    const long lead = long(0.3 * rate) + 5;
    std::vector<float> recording(size_t(lead) + reference.size());
    const std::vector<float> hiss = testSignal(recording.size(), 99);
    for (size_t i = 0; i < recording.size(); ++i) {
        recording[i] = 0.02f * hiss[i];
        if (long(i) >= lead) recording[i] += reference[size_t(i - lead)] / 3.0f;
    }
    const size_t from = size_t(rate);  // a stretch in the middle of the music
    const size_t length = size_t(0.4 * rate);
    const long truth = lead + long(from);

    const Match m = findInRecording(recording, reference, from, length, truth - 20000, truth + 20000);
    EXPECT_EQ(m.start, truth);
    EXPECT_GT(m.score, 0.95);

    // A search that does not reach the music finds nothing convincing.
    const Match elsewhere = findInRecording(recording, reference, from, length, truth - 20000, truth - 5000);
    EXPECT_LT(elsewhere.score, 0.5);
    // Nor does one past the end of the recording.
    EXPECT_EQ(
        findInRecording(recording, reference, from, length, long(recording.size()), long(recording.size()) + 100).start,
        -1);
}

TEST(SoundMatch, TheCaptureClockTrustsTheLeastDelayedDeliveryNearTheMoment) {
    CaptureClock clock(rate);
    EXPECT_EQ(clock.frameZeroAt(), 0.0);
    const double start = 100.0;
    // Deliveries of 256 frames over 20 s, handed over 1 to 9 ms after their
    // last frame was recorded; around 12 s one after only 0.2 ms. At 5 s the
    // server hands over a burst 80 ms ahead of time, as when a stream joins.
    uint64_t frames = 0;
    double bestNearTwelve = 1.0;
    for (int i = 0; frames < uint64_t(20 * rate); ++i) {
        frames += 256;
        const double recorded = start + double(frames) / rate;
        double delay = 0.001 + 0.008 * double((i * 37) % 11) / 10.0;
        if (i == 2067) delay = 0.0002;  // 12.0 s
        if (i == 861) delay = -0.080;   // 5.0 s
        clock.delivered(frames, recorded + delay);
        if (std::abs(recorded - start - 12.0) < 2.0) bestNearTwelve = std::min(bestNearTwelve, delay);
    }
    EXPECT_DOUBLE_EQ(bestNearTwelve, 0.0002);
    EXPECT_NEAR(clock.frameZeroAt(start + 12.0, 2.0), start + 0.0002, 1e-9);
    // Over everything the burst wins, which is why the offsets look locally.
    EXPECT_NEAR(clock.frameZeroAt(), start - 0.080, 1e-9);
    EXPECT_EQ(clock.frameZeroAt(start + 60.0, 2.0), 0.0);
}

TEST(PictureProbe, CornersAndDifferenceSeeWhereThePictureIs) {
    // A 640x480 window whose picture covers only its top-left 320x240, as a
    // stale projection leaves it.
    GreyPicture corner{640, 480, std::vector<uint8_t>(640 * 480, 0)};
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) corner.pixels[size_t(y) * 640 + size_t(x)] = 200;
    const PictureSummary s = summarisePicture(corner);
    EXPECT_NEAR(s.mean, 0.25 * 200 / 255.0, 1e-9);
    EXPECT_NEAR(s.corners[0], 200 / 255.0, 1e-9);
    EXPECT_EQ(s.corners[1], 0.0);
    EXPECT_EQ(s.corners[2], 0.0);
    EXPECT_EQ(s.corners[3], 0.0);

    GreyPicture full{640, 480, std::vector<uint8_t>(640 * 480, 200)};
    EXPECT_EQ(pictureDifference(full, full), 0.0);
    EXPECT_NEAR(pictureDifference(corner, full), 0.75 * 200 / 255.0, 1e-9);
    GreyPicture small{320, 240, std::vector<uint8_t>(320 * 240, 200)};
    EXPECT_EQ(pictureDifference(small, full), 1.0);
}

namespace {
// A 1920x1080 screen showing a dim 1440x1080 picture at `left`, black
// beside it, as a compositor shows a 4:3 picture on a 16:9 output.
GreyPicture barredScreen(int left, uint8_t level) {
    GreyPicture screen{1920, 1080, std::vector<uint8_t>(1920 * 1080, 0)};
    for (int y = 0; y < 1080; ++y)
        for (int x = left; x < left + 1440; ++x) screen.pixels[size_t(y) * 1920 + size_t(x)] = level;
    return screen;
}
void drawArrow(GreyPicture& p, int x, int y) {
    for (int row = 0; row < 24; ++row)
        for (int column = 0; column <= row / 2; ++column)
            p.pixels[size_t(y + row) * size_t(p.width) + size_t(x + column)] = column == row / 2 ? 255 : 0;
}
}  // namespace

TEST(PictureProbe, TheLitAreaIsThePictureBetweenItsBarsNotAStrayCursor) {
    // A night sky as dim as the title's edges, centred.
    GreyPicture screen = barredScreen(240, 9);
    PictureArea a = findLitArea(screen);
    EXPECT_EQ(a.x, 240);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 1440);
    EXPECT_EQ(a.height, 1080);
    // An arrow over a bar is no picture.
    drawArrow(screen, 50, 500);
    drawArrow(screen, 1800, 20);
    a = findLitArea(screen);
    EXPECT_EQ(a.x, 240);
    EXPECT_EQ(a.width, 1440);
    // Stretched over the whole output: no bars.
    a = findLitArea(GreyPicture{1920, 1080, std::vector<uint8_t>(1920 * 1080, 30)});
    EXPECT_EQ(a.width, 1920);
    EXPECT_EQ(a.height, 1080);
    // Black from edge to edge: nothing lit.
    a = findLitArea(GreyPicture{64, 48, std::vector<uint8_t>(64 * 48, 3)});
    EXPECT_EQ(a.width, 0);
    EXPECT_EQ(a.height, 0);
    // Pushed to the left, as a viewport left at the corner would put it.
    a = findLitArea(barredScreen(0, 60));
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.width, 1440);
}

TEST(PictureProbe, AnArrowShowsAsChangedPixelsOnlyWhereItIs) {
    const GreyPicture plain = barredScreen(240, 40);
    GreyPicture withCursor = plain;
    drawArrow(withCursor, 700, 300);
    EXPECT_GT(changedPixels(plain, withCursor, 700, 300, 48, 48), 20);
    EXPECT_EQ(changedPixels(plain, withCursor, 900, 300, 48, 48), 0);
    // A box reaching past the edge is clipped, not read out of bounds.
    EXPECT_EQ(changedPixels(plain, withCursor, 1900, 1060, 48, 48), 0);
    EXPECT_EQ(changedPixels(plain, withCursor, -20, -20, 48, 48), 0);
    // A small change of brightness (a sparkle, a moving meter) does not count.
    GreyPicture brighter = plain;
    for (uint8_t& v : brighter.pixels) v = uint8_t(v + 30);
    EXPECT_EQ(changedPixels(plain, brighter, 700, 300, 48, 48), 0);
    EXPECT_EQ(changedPixels(plain, GreyPicture{10, 10, std::vector<uint8_t>(100, 0)}, 0, 0, 5, 5), -1);
}

TEST(SoundMatch, LoudnessTellsMusicFromSilence) {
    EXPECT_EQ(loudness({}), 0.0);
    EXPECT_EQ(loudness(std::vector<int16_t>(44100, 0)), 0.0);
    // A full-scale square wave, and one at a tenth.
    std::vector<int16_t> square(4410);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
    EXPECT_NEAR(loudness(square), 1.0, 1e-4);
    for (int16_t& s : square) s = int16_t(s / 10);
    EXPECT_NEAR(loudness(square), 0.1, 1e-3);
}
