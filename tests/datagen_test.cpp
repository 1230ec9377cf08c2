// SPDX-License-Identifier: MIT
// The generator's parts: the canvas and its conversion to TGA rows, text,
// the synthesised instruments, and the song's musical landmarks.
#include "assets/tga.h"
#include "canvas.h"
#include "instruments.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "scene_frames.h"
#include "song.h"
#include "state/run_state.h"
#include "support/test_modules.h"
#include "text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <vector>

namespace {

const Colour red{1, 0, 0, 1}, blue{0, 0, 1, 1};

// Whole-picture mean of one channel.
double meanOf(const Canvas& canvas, int channel) {
    double sum = 0;
    for (size_t i = size_t(channel); i < canvas.rgba.size(); i += 4) sum += canvas.rgba[i];
    return sum / (canvas.rgba.size() / 4);
}

}  // namespace

// The canvas is painted top row first, as one looks at it; the TGA file and
// the loader's image begin with the bottom row (the slide quad puts t = 0 at
// the bottom of the screen). A mix-up shows every picture upside down.
TEST(Canvas, TgaRowsRunFromTheBottomOfThePictureUp) {
    Canvas canvas(4, 3, blue);
    for (int x = 0; x < 4; ++x) canvas.set(x, 0, red);  // the top row
    canvas.set(0, 2, Colour{0, 1, 0, 1});               // bottom-left corner green
    TgaPicture picture = canvasToTga(canvas, 24, false);
    ASSERT_EQ(picture.pixels.size(), 4u * 3u * 3u);
    EXPECT_EQ(picture.pixels[0], 0);  // first pixel: bottom-left, green
    EXPECT_EQ(picture.pixels[1], 255);
    const uint8_t* lastRow = &picture.pixels[2 * 4 * 3];
    for (int x = 0; x < 4; ++x) EXPECT_EQ(lastRow[x * 3], 255) << "top row red";

    // And through a file and the demo's loader, compressed or not.
    ScratchFolder scratch;
    for (bool compressed : {false, true}) {
        std::string path = scratch.path() + (compressed ? "/c.tga" : "/u.tga");
        ASSERT_TRUE(writeTga(path, picture, compressed));
        TextureImage image;
        captureMessageBoxes(true);
        ASSERT_TRUE(loadTga(image, path.c_str()));
        captureMessageBoxes(false);
        EXPECT_EQ(image.pixels[1], 255);            // row 0 = bottom row
        EXPECT_EQ(image.pixels[(2 * 4) * 3], 255);  // row 2 = top row, red
    }
}

TEST(Canvas, ThirtyTwoBitPicturesKeepTheirAlpha) {
    Canvas canvas(2, 1, Colour{1, 1, 1, 0});
    canvas.set(1, 0, Colour{1, 1, 1, 0.5f});
    TgaPicture picture = canvasToTga(canvas, 32, false);
    ASSERT_EQ(picture.pixels.size(), 8u);
    EXPECT_EQ(picture.pixels[3], 0);
    EXPECT_NEAR(picture.pixels[7], 128, 1);
}

// Slides are squeezed from 1280x960 into 1024x512: every output pixel must
// average the area it covers, so that thin strokes of text neither vanish
// nor alias, and the picture's overall colour is kept.
TEST(Canvas, ResamplingAveragesTheAreaEachPixelCovers) {
    Canvas stripes(1280, 960, blue);
    for (int y = 0; y < 960; ++y)
        for (int x = 0; x < 1280; x += 2) stripes.set(x, y, red);  // one-pixel stripes
    Canvas small = resampleCanvas(stripes, 1024, 512);
    ASSERT_EQ(small.width, 1024);
    ASSERT_EQ(small.height, 512);
    EXPECT_NEAR(meanOf(small, 0), meanOf(stripes, 0), 1e-3);
    for (int x = 0; x < 1024; x += 97) {
        // Each output pixel covers 1.25 input columns: between 0.2 and 0.8 red.
        Colour c = small.get(x, 100);
        EXPECT_GE(c.r, 0.19f);
        EXPECT_LE(c.r, 0.81f);
        EXPECT_NEAR(c.r + c.b, 1.0f, 1e-4);
    }
    // An exact halving averages 2x2 blocks.
    Canvas checker(4, 4, blue);
    checker.set(0, 0, red);
    checker.set(1, 1, red);
    Canvas half = resampleCanvas(checker, 2, 2);
    EXPECT_NEAR(half.get(0, 0).r, 0.5f, 1e-6);
    EXPECT_NEAR(half.get(1, 1).r, 0.0f, 1e-6);
}

TEST(Canvas, TiledNoiseWrapsAroundItsPeriod) {
    for (float y : {0.0f, 1.3f, 7.9f})
        for (float x : {0.25f, 2.5f, 6.75f})
            EXPECT_NEAR(tiledNoise(x, y, 8, 3), tiledNoise(x + 8.0f, y - 8.0f, 8, 3), 1e-5);
    EXPECT_NEAR(tiledFbm(0.5f, 0.5f, 4, 4, 9), tiledFbm(4.5f, 4.5f, 4, 4, 9), 1e-5);
}

TEST(Text, WrapsWithinTheWidthAndDrawsWhatItMeasures) {
    TextPainter painter;
    ASSERT_TRUE(painter.ready()) << "needs fonts-liberation2";
    const float size = 40.0f, width = 500.0f;
    std::vector<std::string> lines =
        painter.wrap(FontStyle::SansRegular, size,
                     "One wooden figure, two moods. It stands tall, it slumps, it stands tall again.", width);
    ASSERT_GE(lines.size(), 2u);
    for (const std::string& line : lines) EXPECT_LE(painter.measure(FontStyle::SansRegular, size, line), width) << line;

    // Ink lands inside the measured box, on the baseline's line.
    Canvas canvas(600, 100, Colour{0, 0, 0, 0});
    const std::string word = "Glimmervandra";
    float measured = painter.measure(FontStyle::SansBold, size, word);
    painter.draw(canvas, FontStyle::SansBold, size, 10, 60, word, Colour{1, 1, 1, 1});
    int left = 600, right = -1, top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 600; ++x)
            if (canvas.get(x, y).a > 0.5f) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, 10);
    EXPECT_LE(left, 16);
    EXPECT_NEAR(right, 10 + measured, 6.0);
    EXPECT_LT(top, 35);     // capital G rises well above the baseline
    EXPECT_LE(bottom, 60);  // nothing in this word descends below it
}

TEST(Text, DrawsAccentsAndDashesFromUtf8AsGlyphsNotQuestionMarks) {
    TextPainter painter;
    ASSERT_TRUE(painter.ready());
    float dash = painter.measure(FontStyle::SansRegular, 40, "\xE2\x80\x94");  // em dash
    float question = painter.measure(FontStyle::SansRegular, 40, "?");
    EXPECT_GT(dash, question * 1.5f);
    // A broken sequence comes out as one character, not as a crash or garbage.
    EXPECT_NEAR(painter.measure(FontStyle::SansRegular, 40, "\xE2\x80"), question, 0.5f);
}

// Card II is painted from frames of the cube and pyramid scene. Seen at
// spin 0 the pyramid stands apex up and the cube shows a square face: a
// frame read bottom row first would stand the card's pyramid on its head,
// and a wrong programme time would show the other solid. The generator
// runs inside other programs (the tests), so it leaves no context current
// and the run's shared values as it found them.
TEST(SceneFrames, ShowTheSolidOfEachMomentUprightAndLeaveNoStateBehind) {
    std::vector<Canvas> frames;
    std::string error;
    rotY = 77.0f;
    ASSERT_TRUE(renderSolidFrames(160, 120, {{62.0, 0.0f}, {67.0, 0.0f}}, frames, error)) << error;
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(headlessContextCurrent());
    EXPECT_EQ(rotY, 77.0f);
    rotY = 0.0f;
    // Solid pixels (not the lilac clear colour) in the upper and the lower
    // half of the solid's own height.
    auto halves = [](const Canvas& frame, int& upper, int& lower) {
        std::vector<int> perRow(size_t(frame.height), 0);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                Colour c = frame.get(x, y);
                perRow[size_t(y)] += std::fabs(c.r - 0.9f) + std::fabs(c.g - 0.8f) + std::fabs(c.b - 1.0f) > 0.03f;
            }
        int top = 0, bottom = frame.height - 1;
        while (top < bottom && perRow[size_t(top)] == 0) ++top;
        while (bottom > top && perRow[size_t(bottom)] == 0) --bottom;
        upper = lower = 0;
        for (int y = top; y <= bottom; ++y) (2 * y < top + bottom ? upper : lower) += perRow[size_t(y)];
    };
    int upper = 0, lower = 0;
    halves(frames[0], upper, lower);
    EXPECT_GT(lower, 0);
    EXPECT_LT(upper, lower * 0.6) << "the pyramid narrows upwards";
    halves(frames[1], upper, lower);
    EXPECT_GT(lower, 0);
    EXPECT_NEAR(upper, lower, lower * 0.1) << "the cube is square";
}

namespace {

// The best period (in bytes) of a waveform stretch: the lag with the
// highest normalised autocorrelation. A looped stretch is read round and
// round, as the player plays it.
int strongestPeriod(const std::vector<int8_t>& data, size_t from, size_t length, bool looped, int minLag, int maxLag) {
    int best = minLag;
    double bestScore = -2.0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        double sum = 0, a2 = 0, b2 = 0;
        size_t count = looped ? length : length - size_t(lag);
        for (size_t i = 0; i < count; ++i) {
            double a = data[from + i], b = data[from + (i + size_t(lag)) % length];
            sum += a * b;
            a2 += a * a;
            b2 += b * b;
        }
        double score = sum / std::sqrt(a2 * b2 + 1e-9);
        if (score > bestScore + 1e-6) bestScore = score, best = lag;
    }
    return best;
}

}  // namespace

// The pitched instruments repeat every 2^k bytes, as the note mapping
// assumes (k = 7 - octave shift); otherwise the bass, lead and plucks
// would be out of tune with each other and with the chords.
TEST(Instruments, PitchedSamplesRepeatWhereTheNoteMappingExpects) {
    ModModule module;
    synthesiseInstruments(module);
    for (int instrument : {int(bass), int(lead), int(pluck), int(chip)}) {
        SCOPED_TRACE(instrument);
        const ModSample& s = module.samples[instrument - 1];
        int expected = 1 << (7 - instrumentOctaveShift(instrument));
        bool looped = s.loopLength > 2;
        size_t from = looped ? s.loopStart : 0;
        size_t length = looped ? s.loopLength : 2048;
        EXPECT_EQ(strongestPeriod(s.data, from, length, looped, expected / 2 + 1, expected * 3 / 2), expected);
    }
    // The chords' root: the loop holds a whole number of 64-byte root cycles.
    for (int instrument : {int(padMinor), int(padMajor)}) {
        const ModSample& s = module.samples[instrument - 1];
        EXPECT_EQ(s.loopLength % 64, 0u);
        EXPECT_EQ(instrumentOctaveShift(instrument), 1);
    }
}

// A loop that does not join makes a click on every pass: the step from the
// loop's last byte back to its first must be like any step inside it.
TEST(Instruments, LoopsJoinWithoutAJumpAndSamplesFitTheFormat) {
    ModModule module;
    synthesiseInstruments(module);
    for (int i = 0; i < 31; ++i) {
        const ModSample& s = module.samples[i];
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.data.size() % 2, 0u);
        EXPECT_LT(s.data.size(), 131072u);
        EXPECT_LE(s.name.size(), 22u);
        if (s.loopLength <= 2) continue;
        ASSERT_LE(s.loopStart + s.loopLength, s.data.size());
        int largestStep = 0;
        for (size_t k = s.loopStart + 1; k < s.loopStart + s.loopLength; ++k)
            largestStep = std::max(largestStep, std::abs(s.data[k] - s.data[k - 1]));
        int joinStep = std::abs(s.data[s.loopStart] - s.data[s.loopStart + s.loopLength - 1]);
        EXPECT_LE(joinStep, largestStep);
    }
    // One-shots end quietly rather than being chopped off mid-swing
    // (the riser alone ends loud, cut by the drop).
    for (int instrument : {int(kick), int(snare), int(closedHat), int(openHat), int(crash), int(boom), int(clap),
                           int(tom), int(pluck), int(bell)}) {
        const ModSample& s = module.samples[instrument - 1];
        int tail = 0;
        for (size_t k = s.data.size() - 16; k < s.data.size(); ++k) tail = std::max(tail, std::abs(int(s.data[k])));
        EXPECT_LE(tail, 12) << s.name;
    }
}

// The song's musical landmarks: the accent lands on a downbeat after the
// drop, and the song ends on the dominant chord so that the loop falls home
// on the A minor it begins with.
TEST(Song, AccentLandsOnADownbeatAndTheLoopResolvesHome) {
    ComposedSong song = composeSong();
    ASSERT_TRUE(song.problems.empty());
    const ModModule& m = song.module;
    int firstOrder = -1, firstRow = -1;
    for (size_t o = 0; o < m.orders.size() && firstOrder < 0; ++o)
        for (int r = 0; r < 64 && firstOrder < 0; ++r)
            for (const ModCell& cell : m.patterns[m.orders[o]].cells[r])
                if (cell.instrument == flashInstrument) firstOrder = int(o), firstRow = r;
    EXPECT_EQ(firstOrder, firstAccentOrder);
    EXPECT_EQ(firstRow % 16, 0) << "on the first beat of a bar";
    EXPECT_GT(firstOrder, programmeStartOrder - 1);

    // The last chord of the song and the first one.
    auto chordsOf = [&](size_t order) {
        std::vector<ModCell> chords;
        for (const auto& row : m.patterns[m.orders[order]].cells)
            for (const ModCell& cell : row)
                if (cell.instrument == padMinor || cell.instrument == padMajor) chords.push_back(cell);
        return chords;
    };
    std::vector<ModCell> first = chordsOf(0), last = chordsOf(m.orders.size() - 1);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(first.front().instrument, padMinor);
    EXPECT_EQ(first.front().period, modPeriod(2, 9));  // A
    EXPECT_EQ(last.back().instrument, padMajor);
    EXPECT_EQ(last.back().period, modPeriod(2, 4));  // E: the dominant of A minor
    EXPECT_EQ(m.restartPosition, 0);
}

// Listening by numbers: on every beat where the tune starts a note, the
// note belongs to the bar's chord or is a mild tension (2nd, 4th, 6th,
// minor 7th above the root), never a semitone rub like a major 7th or a
// raised fifth. The bar's chord is the bass's first note with the quality
// its pads, chip arpeggio or plucked third give. This caught a theme laid
// over the wrong chords.
TEST(Song, TheTuneSitsOnItsChordsOnEveryBeat) {
    ComposedSong song = composeSong();
    const ModModule& m = song.module;
    std::map<uint16_t, int> pitchClass;
    for (int octave = 1; octave <= 3; ++octave)
        for (int semitone = 0; semitone < 12; ++semitone) pitchClass[modPeriod(octave, semitone)] = semitone;
    int checked = 0;
    for (size_t order = 0; order < m.orders.size(); ++order) {
        const ModPattern& p = m.patterns[m.orders[order]];
        for (int bar = 0; bar < 4; ++bar) {
            int root = -1, minor = -1;
            std::set<int> plucked;
            for (int r = bar * 16; r < bar * 16 + 16; ++r) {
                const ModCell& b = p.cells[r][1];
                if (b.period && b.instrument == bass && root < 0) root = pitchClass.at(b.period);
                const ModCell& h = p.cells[r][3];
                if (h.period && (h.instrument == padMinor || h.instrument == padMajor) && minor < 0)
                    minor = h.instrument == padMinor;
                if (h.period && h.instrument == chip && minor < 0) minor = h.parameter == 0x37;
                if (h.period && h.instrument == pluck) plucked.insert(pitchClass.at(h.period));
            }
            if (root < 0) continue;
            if (minor < 0) minor = plucked.count((root + 3) % 12) ? 1 : plucked.empty() ? (root == 9 || root == 2) : 0;
            std::set<int> allowed = {0, minor ? 3 : 4, 7, 2, 5, 9, 10};
            for (int r = bar * 16; r < bar * 16 + 16; r += 4) {
                const ModCell& tune = p.cells[r][2];
                if (!tune.period || (tune.instrument != lead && tune.instrument != bell)) continue;
                ++checked;
                int interval = (pitchClass.at(tune.period) - root + 12) % 12;
                EXPECT_TRUE(allowed.count(interval))
                    << "position " << order << " row " << r << ": " << interval << " semitones above the root";
            }
        }
    }
    EXPECT_GT(checked, 200);
}
