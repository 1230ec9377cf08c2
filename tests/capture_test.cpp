// The capture tool's writers around the headless run: what lands on disk for
// a range, and what is left when the run cannot start.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/timeline.h"
#include "assets/data_path.h"
#include "bench.h"
#include "capture.h"
#include "media_writers.h"
#include "support/asset_files.h"

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
    ScratchDir dir;
    const std::string& scratch = dir.path();
    CaptureOptions options;
};

TEST_F(Capture, AFolderGetsOnePictureAFrameAndTheSoundOfExactlyThoseFrames) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.fromSeconds = 29.5;
    options.toSeconds = 30.5;
    ASSERT_EQ(runCapture(options), 0);

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
