// SPDX-License-Identifier: MIT
// The sound layer in offline mode: where its position and instrument cues
// land, that each goes off once, the level it reports, how it treats files
// that are not modules, and the one conversion of its samples to PCM.
#include "platform/sound.h"
#include "platform/pcm.h"
#include "support/sound_recorder.h"
#include "support/test_modules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

// Default MOD timing: speed 6, tempo 125, so a tick is 882 frames at 44100 Hz.
constexpr uint64_t tickFrames = 882;
constexpr uint64_t rowFrames = 6 * tickFrames;
constexpr uint64_t patternFrames = 64 * rowFrames;

class OfflineSound : public ::testing::Test {
protected:
    void SetUp() override {
        setSoundDetectionSteps(64, 1);
        ASSERT_TRUE(soundOpenOffline());
    }
    void TearDown() override {
        soundClose();
        setSoundDetectionSteps(64, 1);
    }

    void load(const ModModule& module) { ASSERT_TRUE(soundLoadMusic(writeModule(scratch, "song.mod", module))); }

    // Renders `frames` frames in calls of `chunk` frames; returns the audio.
    std::vector<float> render(uint64_t frames, size_t chunk = 1470) {
        std::vector<float> audio(2 * frames);
        uint64_t done = 0;
        while (done < frames) {
            size_t part = static_cast<size_t>(std::min<uint64_t>(chunk, frames - done));
            EXPECT_EQ(soundRenderOffline(audio.data() + 2 * done, part), part);
            done += part;
        }
        return audio;
    }

    ScratchFolder scratch;
    EventRecorder recorder;
};

// Three orders with a quiet note on every 16th row of channel 0, so that
// the module is not empty.
ModModule plainModule() {
    ModModule module = emptyModule(3);
    for (auto& pattern : module.patterns) {
        for (int row = 0; row < 64; row += 16) pattern.cells[row][0] = noteCell(2, 0, 1);
    }
    return module;
}

}  // namespace

TEST_F(OfflineSound, PositionCuesGoOffOnceOnTheirExactFrameThoughTheLoopComesBack) {
    load(plainModule());
    ASSERT_TRUE(soundOnPosition(1, 32, recorder.handler(1)));
    ASSERT_TRUE(soundOnPosition(2, 0, recorder.handler(2)));
    ASSERT_TRUE(soundPlay());

    const uint64_t songFrames = 3 * patternFrames;
    const std::vector<float> audio = render(2 * songFrames + 2 * patternFrames);

    const uint64_t titleEnd = patternFrames + 32 * rowFrames;
    auto first = recorder.eventsOf(1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].frame, titleEnd);
    auto second = recorder.eventsOf(2);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].frame, 2 * patternFrames);

    // The loop did play the marked row again, twice: the row sounds the
    // same in every pass, and it is not silence.
    float largest = 0.0f, loudest = 0.0f;
    for (uint64_t pass = 1; pass <= 2; ++pass) {
        for (uint64_t i = 2 * titleEnd; i < 2 * (titleEnd + rowFrames); ++i) {
            largest = std::max(largest, std::fabs(audio[i + 2 * pass * songFrames] - audio[i]));
            loudest = std::max(loudest, std::fabs(audio[i]));
        }
    }
    EXPECT_LT(largest, 1e-5f);
    EXPECT_GT(loudest, 0.05f);
}

TEST_F(OfflineSound, APatternBreakLandingOnTheMarkedRowGoesOffThereAndSkippedRowsNever) {
    ModModule module = plainModule();
    module.patterns[0].cells[0][1].effect = 0xF;  // speed 3
    module.patterns[0].cells[0][1].parameter = 3;
    module.patterns[0].cells[10][1].effect = 0xD;  // break to row 32 (decimal digits)
    module.patterns[0].cells[10][1].parameter = 0x32;
    load(module);
    ASSERT_TRUE(soundOnPosition(1, 32, recorder.handler(1)));
    ASSERT_TRUE(soundOnPosition(1, 31, recorder.handler(2)));
    ASSERT_TRUE(soundPlay());
    render(20 * 3 * tickFrames);

    auto events = recorder.eventsOf(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].frame, 11 * 3 * tickFrames);  // rows 0..10 at three ticks each
    EXPECT_TRUE(recorder.eventsOf(2).empty());
}

TEST_F(OfflineSound, InstrumentCueFollowsTheNoteTriggerRules) {
    ModModule module = plainModule();
    module.samples[8] = squareWaveSample("nine");
    ModPattern& p = module.patterns[0];
    // Everything before row 12 leaves instrument 9 unplayed.
    p.cells[2][2].instrument = 9;  // bare instrument: selects, plays nothing
    p.cells[4][1] = noteCell(2, 0, 1);
    p.cells[6][1] = noteCell(2, 5, 9, 0x3, 0x08);   // tone-portamento target: slides
    p.cells[8][1] = noteCell(2, 7, 9, 0x5, 0x01);   // portamento with volume slide: slides
    p.cells[10][2] = noteCell(2, 0, 0, 0xE, 0xD7);  // delay past the row's 6 ticks: never
    p.cells[12][2] = noteCell(2, 2, 0);             // note alone: channel's last, instrument 9
    load(module);
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    render(2 * 3 * patternFrames + 1000);

    auto once = recorder.eventsOf(9);
    ASSERT_EQ(once.size(), 1u) << "once, though the loop plays the note again";
    EXPECT_EQ(once[0].frame, 12 * rowFrames);
}

TEST_F(OfflineSound, InstrumentOnlyAsPortamentoTargetNeverGoesOff) {
    ModModule module = plainModule();
    module.samples[8] = squareWaveSample("nine");
    ModPattern& p = module.patterns[1];
    p.cells[0][3] = noteCell(1, 0, 1);
    p.cells[4][3] = noteCell(1, 7, 9, 0x3, 0x10);
    p.cells[8][3] = noteCell(1, 9, 9, 0x5, 0x02);
    p.cells[9][2].instrument = 9;
    load(module);
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    render(3 * patternFrames + 1000);
    EXPECT_TRUE(recorder.events().empty());
}

TEST_F(OfflineSound, DelayedNoteGoesOffOnItsTickWhenItsSoundStarts) {
    ModModule module = emptyModule(1);
    module.samples[8] = squareWaveSample("nine");
    module.patterns[0].cells[5][0] = noteCell(2, 0, 9, 0xE, 0xD3);
    load(module);
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    std::vector<float> audio = render(8 * rowFrames, 1000);

    auto events = recorder.eventsOf(9);
    ASSERT_EQ(events.size(), 1u);
    const uint64_t expected = 5 * rowFrames + 3 * tickFrames;
    EXPECT_EQ(events[0].frame, expected);
    // The decoder agrees: the module is silent up to that frame and sounds
    // right after it (volume ramping lets it rise over a few frames).
    uint64_t firstSound = 0;
    while (firstSound < audio.size() / 2 && audio[2 * firstSound] == 0.0f && audio[2 * firstSound + 1] == 0.0f)
        ++firstSound;
    EXPECT_GE(firstSound, expected);
    EXPECT_LE(firstSound, expected + 4);
}

// Two notes of instrument 9 on one row, the higher channel delayed less:
// the cue goes off with the note heard first, not with the first channel's.
TEST_F(OfflineSound, InstrumentCueGoesOffAtTheFirstNoteHeardInARow) {
    ModModule module = emptyModule(1);
    module.samples[8] = squareWaveSample("nine");
    module.patterns[0].cells[5][0] = noteCell(2, 0, 9, 0xE, 0xD4);
    module.patterns[0].cells[5][2] = noteCell(2, 4, 9, 0xE, 0xD1);
    load(module);
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    render(8 * rowFrames, 1000);

    auto first = recorder.eventsOf(9);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].frame, 5 * rowFrames + 1 * tickFrames);
}

TEST_F(OfflineSound, TempoChangesMoveTheTicksOfDelayedNotes) {
    ModModule module = emptyModule(1);
    module.samples[8] = squareWaveSample("nine");
    module.patterns[0].cells[1][1].effect = 0xF;  // tempo 150 from row 1: ticks of 735 frames
    module.patterns[0].cells[1][1].parameter = 150;
    module.patterns[0].cells[3][0] = noteCell(2, 0, 9, 0xE, 0xD2);
    load(module);
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    render(4 * rowFrames);
    auto events = recorder.eventsOf(9);
    ASSERT_EQ(events.size(), 1u);
    // The tick that reads the tempo command still lasts as long as the old
    // tempo says; the ticks after it are 735 frames.
    EXPECT_EQ(events[0].frame, rowFrames + tickFrames + (2 * 6 - 1) * 735u + 2 * 735u);
}

TEST_F(OfflineSound, SplittingTheRenderChangesNeitherSamplesNorCues) {
    ModModule module = plainModule();
    module.samples[8] = squareWaveSample("nine");
    module.patterns[0].cells[7][3] = noteCell(3, 4, 9, 0xE, 0xD1);
    std::string path = writeModule(scratch, "split.mod", module);

    auto run = [&](size_t chunk, std::vector<RecordedEvent>& events) {
        EventRecorder local;
        soundClose();
        EXPECT_TRUE(soundOpenOffline());
        EXPECT_TRUE(soundLoadMusic(path));
        soundOnPosition(0, 20, local.handler(1));
        soundOnInstrument(9, local.handler(2));
        EXPECT_TRUE(soundPlay());
        std::vector<float> audio = render(20 * rowFrames + 17, chunk);
        soundClose();
        events = local.events();
        return audio;
    };
    std::vector<RecordedEvent> wholeEvents, splitEvents;
    std::vector<float> whole = run(1 << 20, wholeEvents);
    std::vector<float> split = run(333, splitEvents);
    ASSERT_EQ(whole.size(), split.size());
    float largest = 0.0f;
    for (size_t i = 0; i < whole.size(); ++i) largest = std::max(largest, std::fabs(whole[i] - split[i]));
    EXPECT_LT(largest, 1e-5f);
    ASSERT_EQ(wholeEvents.size(), 2u);
    ASSERT_EQ(splitEvents.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(wholeEvents[i].cue, splitEvents[i].cue);
        EXPECT_EQ(wholeEvents[i].frame, splitEvents[i].frame);
    }
}

TEST_F(OfflineSound, CoarseStepsPlaceCuesAtMost63FramesEarly) {
    // The device renders 64 frames between looks at the position; offline
    // rendering with the same step shows how far that moves a cue.
    setSoundDetectionSteps(64, 64);
    ModModule module = plainModule();
    module.samples[8] = squareWaveSample("nine");
    module.patterns[1].cells[40][0] = noteCell(2, 0, 9, 0xE, 0xD1);
    load(module);
    ASSERT_TRUE(soundOnPosition(1, 32, recorder.handler(1)));
    ASSERT_TRUE(soundOnInstrument(9, recorder.handler(9)));
    ASSERT_TRUE(soundPlay());
    render(2 * patternFrames);
    auto check = [&](int cue, uint64_t exact) {
        auto events = recorder.eventsOf(cue);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_LE(events[0].frame, exact);
        EXPECT_GT(events[0].frame + 64, exact);
    };
    check(1, patternFrames + 32 * rowFrames);
    check(9, patternFrames + 40 * rowFrames + tickFrames);
}

TEST_F(OfflineSound, LevelIsThePeakOfTheLastRenderedFramesPerSide) {
    ModModule module = emptyModule(1);
    module.samples[0] = squareWaveSample("loud", 64, 127);
    module.patterns[0].cells[4][0] = noteCell(2, 0, 1);   // channel 0 plays on the left
    module.patterns[0].cells[12][1] = noteCell(2, 0, 1);  // channel 1 on the right
    module.patterns[0].cells[12][0].effect = 0xC;         // left falls silent
    module.patterns[0].cells[12][0].parameter = 0;
    load(module);
    EXPECT_EQ(soundLevel(), 0u);  // not playing yet
    ASSERT_TRUE(soundPlay());

    render(1024, 1024);
    EXPECT_EQ(soundLevel(), 0u);  // silence before the first note

    auto peakOfLast = [](const std::vector<float>& audio, size_t frames, int side) {
        float peak = 0.0f;
        for (size_t i = audio.size() / 2 - frames; i < audio.size() / 2; ++i)
            peak = std::max(peak, std::fabs(audio[2 * i + side]));
        return scaleSoundPeak(peak);
    };
    // Rendering 64-frame multiples keeps the 1024-frame window on block edges.
    std::vector<float> audio;
    for (int i = 0; i < 30; ++i) audio = render(1024, 1024);  // well into row 4's note
    uint32_t level = soundLevel();
    EXPECT_EQ(level, packSoundLevel(peakOfLast(audio, 1024, 0), peakOfLast(audio, 1024, 1)));
    // Channel 0 is panned left; the decoder's stereo mix lets a little of
    // it through on the right.
    EXPECT_GT(level & 0xFFFF, 20u);
    EXPECT_LE(level & 0xFFFF, 128u);
    EXPECT_LT(level >> 16, (level & 0xFFFF) / 2);

    for (int i = 0; i < 50; ++i) audio = render(1024, 1024);  // past row 12: right only
    level = soundLevel();
    EXPECT_EQ(level, packSoundLevel(peakOfLast(audio, 1024, 0), peakOfLast(audio, 1024, 1)));
    EXPECT_LT(level & 0xFFFF, (level >> 16) / 2);
    EXPECT_GT(level >> 16, 20u);
    EXPECT_LE(level >> 16, 128u);
}

TEST(SoundLevelScale, MapsPeaksOntoZeroTo128) {
    EXPECT_EQ(scaleSoundPeak(0.0f), 0u);
    EXPECT_EQ(scaleSoundPeak(0.5f), 64u);
    EXPECT_EQ(scaleSoundPeak(1.0f), 128u);
    EXPECT_EQ(scaleSoundPeak(3.0f), 128u);  // clipped output is full scale, not more
    EXPECT_EQ(scaleSoundPeak(std::nanf("")), 0u);
    EXPECT_EQ(packSoundLevel(128, 1), 0x10080u);
    EXPECT_EQ(packSoundLevel(0, 128), 0x800000u);
}

TEST_F(OfflineSound, FilesThatAreNotModulesLoadNothingAndNothingPlays) {
    EXPECT_FALSE(soundLoadMusic(scratch.path() + "/missing.mod"));
    EXPECT_FALSE(soundLoadMusic(scratch.write("empty.mod", {})));
    std::string text = "This is not a module at all, just some words in a file.\n";
    EXPECT_FALSE(soundLoadMusic(scratch.write("text.mod", std::vector<uint8_t>(text.begin(), text.end()))));
    std::vector<uint8_t> bytes = encodeMod(plainModule());
    bytes.resize(600);  // cut inside the sample headers
    EXPECT_FALSE(soundLoadMusic(scratch.write("cut.mod", bytes)));
    EXPECT_FALSE(soundLoadMusic(scratch.path()));  // a folder

    EXPECT_FALSE(soundPlay());
    EXPECT_FALSE(soundOnPosition(0, 0, recorder.handler(1)));
    EXPECT_FALSE(soundOnInstrument(1, recorder.handler(1)));
    EXPECT_EQ(soundLevel(), 0xFFFFFFFFu);
    EXPECT_EQ(soundMusicSeconds(), 0.0);
    std::vector<float> audio(2 * 64, 1.0f);
    EXPECT_EQ(soundRenderOffline(audio.data(), 64), 0u);
    EXPECT_TRUE(std::all_of(audio.begin(), audio.end(), [](float s) { return s == 0.0f; }));
}

TEST_F(OfflineSound, DamagedModulesLoadOrAreRefusedButNeverCrash) {
    ModModule module = plainModule();
    module.samples[8] = squareWaveSample("nine");
    for (int row = 0; row < 64; row += 3)
        module.patterns[1].cells[row][row % 4] = noteCell(1 + row % 3, row % 12, 9, row % 16, 0xD3);
    const std::vector<uint8_t> good = encodeMod(module);
    std::mt19937 random(1234);
    int loaded = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<uint8_t> bytes = good;
        int flips = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < flips; ++i) {
            // Mostly the header and patterns, where a damaged byte changes
            // what the song does; now and then a cut.
            size_t at = random() % std::min<size_t>(bytes.size(), 1084 + 3 * 1024);
            bytes[at] = static_cast<uint8_t>(random());
        }
        if (round % 10 == 0) bytes.resize(random() % bytes.size());
        soundClose();
        ASSERT_TRUE(soundOpenOffline());
        if (!soundLoadMusic(scratch.write("damaged.mod", bytes))) continue;
        ++loaded;
        soundOnPosition(1, 32, recorder.handler(1));
        soundOnInstrument(9, recorder.handler(9));
        ASSERT_TRUE(soundPlay());
        render(20000, 4096);
        EXPECT_LE(soundLevel() & 0xFFFF, 128u);
        EXPECT_LE(soundLevel() >> 16, 128u);
    }
    EXPECT_GT(loaded, 0);  // the damage left some modules playable, so rendering was exercised
}

TEST_F(OfflineSound, CuesOnlyBeforePlaybackAndOneMusicPerOpening) {
    EXPECT_FALSE(soundOpenOffline()) << "already open";
    EXPECT_FALSE(soundOpenDevice()) << "already open";
    load(plainModule());
    EXPECT_GT(soundMusicSeconds(), 0.0);
    EXPECT_FALSE(soundLoadMusic(writeModule(scratch, "other.mod", plainModule())));
    // Places that cannot exist.
    EXPECT_FALSE(soundOnPosition(-1, 0, recorder.handler(1)));
    EXPECT_FALSE(soundOnPosition(0, -1, recorder.handler(1)));
    EXPECT_FALSE(soundOnInstrument(0, recorder.handler(1)));
    EXPECT_FALSE(soundOnInstrument(256, recorder.handler(1)));
    ASSERT_TRUE(soundPlay());
    EXPECT_FALSE(soundOnPosition(0, 0, recorder.handler(1)));
    EXPECT_FALSE(soundOnInstrument(1, recorder.handler(1)));

    // Closed, the layer takes nothing; opened again, it takes new music.
    soundClose();
    soundClose();
    EXPECT_FALSE(soundLoadMusic(scratch.path() + "/song.mod"));
    ASSERT_TRUE(soundOpenOffline());
    EXPECT_TRUE(soundLoadMusic(scratch.path() + "/other.mod"));
    EXPECT_TRUE(soundOnPosition(0, 0, recorder.handler(1)));
}

// The capture writes the music as 16-bit PCM through this conversion; its
// bytes are what listeners hear, so the clipping must not move.
TEST(PcmFromFloat, ScalesRoundsAndClipsToSixteenBits) {
    EXPECT_EQ(pcmFromFloat(0.0f), 0);
    EXPECT_EQ(pcmFromFloat(1.0f), 32767);
    EXPECT_EQ(pcmFromFloat(-1.0f), -32767);
    EXPECT_EQ(pcmFromFloat(0.5f), 16384);  // 16383.5: halves round away from zero
    EXPECT_EQ(pcmFromFloat(-0.5f), -16384);
    EXPECT_EQ(pcmFromFloat(1.5f), 32767);
    // Below full scale the 16-bit range still has one step more.
    EXPECT_EQ(pcmFromFloat(-1.00002f), -32768);
    EXPECT_EQ(pcmFromFloat(-1.5f), -32768);
    EXPECT_EQ(pcmFromFloat(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(pcmFromFloat(-std::numeric_limits<float>::infinity()), -32768);
    EXPECT_EQ(pcmFromFloat(std::nanf("")), 0);
}

TEST(SoundVersion, MatchesOnMajorAndMinorOnly) {
    EXPECT_TRUE(soundVersionMatches());
    uint32_t built = soundBuiltVersion();
    setSoundRunningVersionForTesting((built & 0xFFFF0000u) | ((built + 5) & 0xFFFFu));
    EXPECT_TRUE(soundVersionMatches());
    setSoundRunningVersionForTesting(built + 0x10000u);
    EXPECT_FALSE(soundVersionMatches());
    setSoundRunningVersionForTesting(built - 0x10000u);
    EXPECT_FALSE(soundVersionMatches());
    setSoundRunningVersionForTesting(built + 0x1000000u);
    EXPECT_FALSE(soundVersionMatches());
    setSoundRunningVersionForTesting(0);
    EXPECT_EQ(soundRunningVersion() >> 16, built >> 16);
}
