// SPDX-License-Identifier: MIT
// The capture tool's writers around the headless run: what lands on disk for
// a range, and what is left when the run cannot start.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/headless_run.h"
#include "app/timeline.h"
#include "bench.h"
#include "capture.h"
#include "frame_writer.h"
#include "media_writers.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "support/asset_files.h"
#include "support/test_modules.h"

namespace {
std::set<std::string> listFolder(const std::string& path) {
    std::set<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.') names.insert(entry->d_name);
        closedir(folder);
    }
    return names;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

uint32_t bigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

off_t fileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// A WAV file is whole when its header counts exactly the bytes after it,
// and those are whole frames of the captured programme at 10 fps.
void expectWavOfFrames(const std::string& path, size_t frames) {
    const std::vector<uint8_t> wav = readBytes(path);
    ASSERT_GE(wav.size(), 44u);
    const uint32_t dataBytes =
        uint32_t(wav[40]) | uint32_t(wav[41]) << 8 | uint32_t(wav[42]) << 16 | uint32_t(wav[43]) << 24;
    EXPECT_EQ(dataBytes, frames * 4410u * 4u);
    EXPECT_EQ(wav.size(), 44u + dataBytes);
}

// Sends `signal` to this process once `path` holds at least `bytes` bytes.
std::thread signalWhenFileGrows(const std::string& path, off_t bytes, int signal) {
    return std::thread([=] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (fileSize(path) < bytes && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(getpid(), signal);
    });
}

class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        setDataSearchRoots({std::string(GLIMMER_BUILD_FOLDER)});
        options.fps = 10;
        options.width = 160;
        options.height = 120;
        options.progress = false;
    }
    void TearDown() override { resetDataSearchRoots(); }
    ScratchFolder dir;
    const std::string& scratch = dir.path();
    CaptureOptions options;
};

TEST_F(Capture, AFolderGetsOnePictureAFrameAndTheSoundOfExactlyThoseFrames) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.fromSeconds = 29.5;
    options.toSeconds = 30.5;
    // Progress on, but stderr is no terminal here: a few plain lines, no
    // bar updates, and the summary last.
    options.progress = true;
    testing::internal::CaptureStderr();
    ASSERT_EQ(runCapture(options), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find('\r'), std::string::npos) << said;
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 12) << said;
    const size_t lastLine = said.rfind('\n', said.size() - 2);
    EXPECT_EQ(said.compare(lastLine + 1, 32, "glimmervandra-capture: wrote 10 "), 0) << said;
    EXPECT_NE(said.find(" 50 % (0:30 of 0:31)"), std::string::npos) << said;

    std::set<std::string> expected{"audio.wav"};
    for (int i = 0; i < 10; ++i) expected.insert("frame0000" + std::to_string(i) + ".png");
    EXPECT_EQ(listFolder(options.output), expected);

    const std::vector<uint8_t> png = readBytes(options.output + "/frame00007.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(bigEndian32(&png[16]), 160u);
    EXPECT_EQ(bigEndian32(&png[20]), 120u);

    // Frames 295 to 304 at 10 fps: samples 295 x 4410 up to 305 x 4410,
    // 16-bit stereo after the 44-byte header.
    const std::vector<uint8_t> wav = readBytes(options.output + "/audio.wav");
    EXPECT_EQ(wav.size(), 44u + 10u * 4410u * 4u);
}

TEST_F(Capture, ARunThatCannotStartSaysWhyAndLeavesNoFilesBehind) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    setDataSearchRoots({scratch + "/nowhere"});
    options.output = scratch + "/show.mkv";
    options.format = CaptureFormat::Lossless;
    options.toSeconds = 1.0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Data/ancool2.mod"), std::string::npos) << said;
    EXPECT_NE(said.find(scratch + "/nowhere"), std::string::npos) << said;
    EXPECT_TRUE(listFolder(scratch).empty());

    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    EXPECT_EQ(runCapture(options), 1);
    EXPECT_TRUE(listFolder(scratch + "/frames").empty());
}
// At full size: the tunnel's planes leave a sliver at the horizon that keeps
// what the frames before drew there, the case a careless run-up gets wrong.
TEST_F(Capture, ALateStartDrawsFramesAndSoundByteForByteAsAWholeRun) {
    const std::vector<uint64_t> checked{500, 501, 750, 751};  // 100 s (scroller) and 150 s (tunnel) at 5 fps
    auto record = [&](double drawFrom, size_t& undrawn) {
        std::map<uint64_t, std::vector<uint8_t>> frames;
        HeadlessRunOptions run;
        run.fps = 5;
        run.drawFromSeconds = drawFrom;
        run.stopAfterSeconds = 150.2;
        undrawn = 0;
        const HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
            undrawn += !frame.drawn;
            if (frame.startSeconds >= drawFrom &&
                std::find(checked.begin(), checked.end(), frame.index) != checked.end()) {
                std::vector<uint8_t> bytes = readFramePixels(640, 480);
                const auto* audio = reinterpret_cast<const uint8_t*>(frame.audio);
                bytes.insert(bytes.end(), audio, audio + frame.audioFrames * 2 * sizeof(float));
                frames[frame.index] = std::move(bytes);
            }
            return true;
        });
        EXPECT_TRUE(result.started) << result.error;
        return frames;
    };
    size_t undrawn = 0;
    const auto whole = record(0.0, undrawn);
    ASSERT_EQ(whole.size(), 4u);
    EXPECT_EQ(undrawn, 0u);
    for (const double from : {100.0, 150.0}) {
        const auto late = record(from, undrawn);
        EXPECT_GT(undrawn, 400u) << "the run-up to " << from << " s drew its frames";
        for (const auto& [index, bytes] : late) EXPECT_TRUE(bytes == whole.at(index)) << "frame " << index;
        EXPECT_EQ(late.size(), from == 100.0 ? 4u : 2u);
    }
}

TEST_F(Capture, AnInterruptedCaptureFinishesItsFilesAndSaysWhatItKept) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.toSeconds = 200.0;
    std::thread interrupt = signalWhenFileGrows(options.output + "/audio.wav", 44 + 5 * 4410 * 4, SIGINT);
    testing::internal::CaptureStderr();
    const int code = runCapture(options);
    const std::string said = testing::internal::GetCapturedStderr();
    interrupt.join();
    EXPECT_EQ(code, 128 + SIGINT);
    EXPECT_NE(said.find("stopped by SIGINT"), std::string::npos) << said;

    // Every picture whole, and the sound of exactly those pictures.
    std::set<std::string> names = listFolder(options.output);
    ASSERT_TRUE(names.erase("audio.wav"));
    ASSERT_GE(names.size(), 5u);
    EXPECT_NE(said.find("frame00000.png to " + *names.rbegin()), std::string::npos) << said;
    EXPECT_EQ(*names.rbegin(), FrameWriter::pngName(names.size() - 1));
    const std::vector<uint8_t> lastPng = readBytes(options.output + "/" + *names.rbegin());
    ASSERT_GT(lastPng.size(), 12u);
    EXPECT_EQ(std::string(lastPng.end() - 8, lastPng.end() - 4), "IEND");
    expectWavOfFrames(options.output + "/audio.wav", names.size());

    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.output = scratch + "/show.mkv";
    options.format = CaptureFormat::Lossless;
    interrupt = signalWhenFileGrows(options.output + ".audio.wav", 44 + 5 * 4410 * 4, SIGTERM);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 128 + SIGTERM);
    testing::internal::GetCapturedStderr();
    interrupt.join();
    EXPECT_FALSE(listFolder(scratch).count("show.mkv.video.mkv"));
    EXPECT_FALSE(listFolder(scratch).count("show.mkv.audio.wav"));
    const std::string check = "ffmpeg -v error -i '" + options.output + "' -f null - 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << "the kept video does not decode";
}

TEST_F(Capture, AFullDiskStopsTheCaptureKeepingTheWholeFramesBeforeIt) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.toSeconds = 2.0;
    ASSERT_EQ(mkdir(options.output.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/full", (options.output + "/frame00003.png").c_str()), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("frame00003.png failed: No space left on device"), std::string::npos) << said;
    EXPECT_NE(said.find("wrote 3 frames"), std::string::npos) << said;
    EXPECT_EQ(listFolder(options.output),
              (std::set<std::string>{"audio.wav", "frame00000.png", "frame00001.png", "frame00002.png"}));
    expectWavOfFrames(options.output + "/audio.wav", 3);
}

// A module that never reaches the marks keeps the title for ever; the
// capture ends after one pass of it plus the programme's length.
TEST_F(Capture, AProgrammeThatNeverEndsIsCutAfterItsBoundWithTheReasonGiven) {
    ScratchFolder data;
    writeModule(data, "Data/ancool2.mod", emptyModule(1));  // 64 rows at speed 6, tempo 125: 7.68 s
    setDataSearchRoots({data.path(), std::string(GLIMMER_BUILD_FOLDER)});
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.fps = 1;
    options.width = 16;
    options.height = 12;
    options.progress = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("had not ended after 3:53"), std::string::npos) << said;
    EXPECT_NE(said.find("--to"), std::string::npos) << said;
    EXPECT_EQ(said.find("100 %"), std::string::npos) << said;
    EXPECT_EQ(listFolder(options.output).size(), 233u + 1u);  // frames 0..232 and the sound
}

TEST_F(Capture, BenchChargesEachSceneSetUpToItsRowAndPutsTheProgrammeBack) {
    options.fps = 2;
    options.width = 16;
    options.height = 12;
    const ProgrammeOps before = currentProgrammeOps();
    testing::internal::CaptureStdout();
    ASSERT_EQ(runBench(options), 0);
    const std::string table = testing::internal::GetCapturedStdout();

    // Rows with a scene set-up (3, 5, 7, 9, 11) show a figure in the last
    // column; the programme runs with its own operations again afterwards.
    for (const char* row : {"flower", "cube/pyramid", "scroller", "tunnel", "morph"}) {
        const size_t line = table.find(row);
        ASSERT_NE(line, std::string::npos) << table;
        const std::string text = table.substr(line, table.find('\n', line) - line);
        EXPECT_NE(text.back(), '-') << text;
    }
    EXPECT_EQ(currentProgrammeOps().setupScrollerScene, before.setupScrollerScene);
    EXPECT_EQ(currentProgrammeOps().beginSlideMode, before.beginSlideMode);
}
}  // namespace
