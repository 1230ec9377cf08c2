// SPDX-License-Identifier: MIT
// The soundtrack as the program uses it: start-up steps and their failures,
// the three one-time events with their handlers' values, on a device (SDL's
// dummy driver) and offline in lock-step with a video clock.
#include "app/music.h"
#include "app/timeline.h"
#include "platform/data_path.h"
#include "platform/sound.h"
#include "state/run_state.h"
#include "support/sound_recorder.h"
#include "support/test_modules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr uint64_t tickFrames = 882;  // tempo 125 at 44100 Hz
constexpr uint64_t rowFrames = 6 * tickFrames;
constexpr uint64_t patternFrames = 64 * rowFrames;
constexpr size_t videoFrameFrames = 735;  // 1/60 s
constexpr double videoFrameSeconds = 1.0 / 60.0;

// Instrument 9 first sounds at order 0 row 20: chosen there as a bare
// instrument, played by a note without one.
ModModule programmeModule() {
    ModModule module = emptyModule(3);
    module.samples[8] = squareWaveSample("flash");
    for (auto& pattern : module.patterns) pattern.cells[0][0] = noteCell(2, 0, 1);
    module.patterns[0].cells[16][2].instrument = 9;
    module.patterns[0].cells[20][2] = noteCell(2, 4, 0);
    return module;
}

class Music : public ::testing::Test {
protected:
    void SetUp() override {
        savedRoots = dataSearchRoots();
        setDataSearchRoots({scratch.path()});
        resetRun();
    }
    void TearDown() override {
        closeMusic();
        setDataSearchRoots(savedRoots);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        resetRun();
    }
    void installModule(const ModModule& module) { writeModule(scratch, "Data/ancool2.mod", module); }

    ScratchFolder scratch;
    std::vector<std::string> savedRoots;
};

}  // namespace

TEST(MusicHandlers, StoreTheirValues) {
    resetRun();
    frameDelta = 0.016;
    titleEndSync();
    TimelineValues values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, 0.016);
    EXPECT_EQ(values.timelineOffset, 135821.0);

    frameDelta = 0.02;
    timelineStartSync();
    values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, 0.0);
    EXPECT_EQ(values.timelineOffset, 0.02);

    flashSync();
    EXPECT_EQ(flashLevel.load(), 100.0f);
    resetRun();
}

TEST_F(Music, OfflineProgrammeMovesOnceAtEachMarkedPlace) {
    installModule(programmeModule());
    ASSERT_TRUE(openMusicOffline());
    ASSERT_GT(soundMusicSeconds(), 0.0) << "the module is loaded";
    registerMusicSyncs();
    ASSERT_TRUE(startMusicPlayback());

    const uint64_t titleEndFrame = patternFrames + 32 * rowFrames;
    const uint64_t programmeFrame = 2 * patternFrames;
    const uint64_t flashFrame = 20 * rowFrames;
    std::vector<float> audio(2 * videoFrameFrames);
    uint64_t rendered = 0;
    // Each video frame: the clock step, then this frame's share of audio.
    auto videoFrame = [&] {
        frameDelta = videoFrameSeconds;
        ASSERT_EQ(soundRenderOffline(audio.data(), videoFrameFrames), videoFrameFrames);
        rendered += videoFrameFrames;
    };
    while (rendered <= flashFrame) {
        EXPECT_EQ(flashLevel.load(), 1.0f) << rendered;
        videoFrame();
    }
    EXPECT_EQ(flashLevel.load(), 100.0f);
    EXPECT_LT(rendered - flashFrame, videoFrameFrames + 1);

    while (rendered <= titleEndFrame) {
        EXPECT_EQ(loadTimelineValues().timelineStart, initialTimelineStart) << rendered;
        videoFrame();
    }
    TimelineValues values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, videoFrameSeconds);
    EXPECT_EQ(values.timelineOffset, 135821.0);

    while (rendered <= programmeFrame) {
        EXPECT_EQ(loadTimelineValues().timelineOffset, 135821.0) << rendered;
        videoFrame();
    }
    values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, 0.0);
    EXPECT_EQ(values.timelineOffset, videoFrameSeconds);

    // Two more passes of the song: the marked places come round again, the
    // handlers do not.
    storeTimelineValues(5.0, 6.0);
    flashLevel = 1.0f;
    while (rendered < programmeFrame + 2 * 3 * patternFrames) videoFrame();
    values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, 5.0);
    EXPECT_EQ(values.timelineOffset, 6.0);
    EXPECT_EQ(flashLevel.load(), 1.0f);
    EXPECT_NE(musicLevel(), 0u);
    EXPECT_NE(musicLevel(), 0xFFFFFFFFu);
}

TEST_F(Music, MissingOrBrokenModuleLetsTheDeviceOpenButPlaybackFail) {
    // No file at all.
    ASSERT_TRUE(openMusic());
    EXPECT_EQ(soundMusicSeconds(), 0.0);
    registerMusicSyncs();
    EXPECT_FALSE(startMusicPlayback());
    closeMusic();

    // Bytes that are no module; then a module cut short inside its header.
    std::string junk = "GIF89a and then nothing a tracker would recognise";
    scratch.write("Data/ancool2.mod", std::vector<uint8_t>(junk.begin(), junk.end()));
    ASSERT_TRUE(openMusic());
    EXPECT_EQ(soundMusicSeconds(), 0.0);
    registerMusicSyncs();
    EXPECT_FALSE(startMusicPlayback());
    closeMusic();

    std::vector<uint8_t> cut = encodeMod(programmeModule());
    cut.resize(1000);
    scratch.write("Data/ancool2.mod", cut);
    ASSERT_TRUE(openMusic());
    EXPECT_EQ(soundMusicSeconds(), 0.0);
    EXPECT_FALSE(startMusicPlayback());
}

TEST_F(Music, NoOutputDeviceMeansOpenFails) {
    installModule(programmeModule());
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(openMusic());
    EXPECT_EQ(soundMusicSeconds(), 0.0);
    EXPECT_FALSE(soundLastError().empty());
    EXPECT_FALSE(startMusicPlayback());
    closeMusic();
    // Nothing was left half open: with a driver the next attempt works.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(openMusic());
    EXPECT_GT(soundMusicSeconds(), 0.0);
}

TEST_F(Music, OnADeviceEventsArriveOnTheSoundThreadOnceTheirAudioIsHeard) {
    // Fast rows (speed 1, tempo 255: 432 frames) bring order 1 row 32 about
    // 0.94 s into the music.
    ModModule module = programmeModule();
    module.patterns[0].cells[0][1].effect = 0xF;
    module.patterns[0].cells[0][1].parameter = 1;
    module.patterns[0].cells[0][3].parameter = 255;
    installModule(module);
    ASSERT_TRUE(openMusic());
    ASSERT_GT(soundMusicSeconds(), 0.0);
    registerMusicSyncs();
    EventRecorder recorder;
    ASSERT_TRUE(soundOnPosition(1, 32, recorder.handler(1)));
    frameDelta = 0.01;

    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(startMusicPlayback());
    uint32_t loudest = 0;
    while (recorder.events().empty() && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
        uint32_t level = musicLevel();
        ASSERT_LE(level & 0xFFFF, 128u);
        ASSERT_LE(level >> 16, 128u);
        loudest = std::max(loudest, level);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    auto events = recorder.events();
    ASSERT_EQ(events.size(), 1u);
    // The first tick still runs at the old tempo (882 frames). The device
    // looks at the position every 64 frames, so the event may lie up to 63
    // frames early.
    const uint64_t exactFrame = 882 + (64 + 32 - 1) * 432;
    EXPECT_LE(events[0].frame, exactFrame);
    EXPECT_GT(events[0].frame + 64, exactFrame);
    const double musicTime = (exactFrame - 64) / 44100.0;
    // Not before the music at that place can be heard.
    EXPECT_GE(waited, musicTime);
    EXPECT_NE(events[0].thread, std::this_thread::get_id());
    EXPECT_NE(loudest, 0u);  // the level followed the music

    // The real handler ran as well, with the frame interval of that moment.
    TimelineValues values = loadTimelineValues();
    EXPECT_EQ(values.timelineStart, 0.01);
    EXPECT_EQ(values.timelineOffset, 135821.0);
    EXPECT_EQ(flashLevel.load(), 100.0f);
}

TEST_F(Music, ProcessExitWithTheDevicePlayingIsClean) {
    // Start-up failures after openMusic end the program without closeMusic.
    installModule(programmeModule());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!openMusic() || !startMusicPlayback()) std::exit(3);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(TimelinePair, ReaderNeverSeesHalfOfAWrite) {
    resetRun();
    std::atomic<bool> done{false};
    std::atomic<long> writes{0};
    // The writer keeps both values tied: offset = 2 * start + 1.
    std::thread writer([&] {
        for (long i = 1; !done.load(std::memory_order_relaxed); ++i) {
            storeTimelineValues(static_cast<double>(i), 2.0 * i + 1.0);
            writes.store(i, std::memory_order_relaxed);
        }
    });
    long torn = 0, changes = 0;
    double last = 0.0;
    bool backwards = false;
    // A generous bound: on a loaded machine the two threads may share one core
    // in long slices, and the count of changes, not the time, is what matters.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (changes < 5000 && std::chrono::steady_clock::now() < until) {
        TimelineValues values = loadTimelineValues();
        if (values.timelineStart == initialTimelineStart) continue;
        if (values.timelineOffset != 2.0 * values.timelineStart + 1.0) ++torn;
        if (values.timelineStart < last) backwards = true;
        if (values.timelineStart != last) ++changes;
        last = values.timelineStart;
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(backwards);
    // The reads overlapped the writes: the reader saw the pair move.
    EXPECT_GE(changes, 5000);
    EXPECT_GE(writes.load(), 5000);
    resetRun();
}
