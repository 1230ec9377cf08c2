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
