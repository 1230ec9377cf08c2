// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <vector>

#include "capture_options.h"

namespace {
bool parse(std::vector<const char*> words, CaptureOptions& options, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("glimmervandra-capture")};
    for (const char* word : words) argv.push_back(const_cast<char*>(word));
    return parseCaptureOptions(int(argv.size()), argv.data(), options, error);
}
}  // namespace

TEST(CaptureOptions, OutputNameChoosesTheFormat) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"-o", "show.mp4"}, options, error)) << error;
    EXPECT_EQ(options.format, CaptureFormat::Mp4);
    EXPECT_EQ(options.fps, 60);
    EXPECT_EQ(options.width, 640);
    ASSERT_TRUE(parse({"--output", "out/show.mkv"}, options, error)) << error;
    EXPECT_EQ(options.format, CaptureFormat::Lossless);
    ASSERT_TRUE(parse({"-o", "./frames"}, options, error)) << error;
    EXPECT_EQ(options.format, CaptureFormat::PngSequence);
    ASSERT_TRUE(parse({"-o", "frames.d/"}, options, error)) << error;
    EXPECT_EQ(options.format, CaptureFormat::PngSequence);
    EXPECT_FALSE(parse({"-o", "show.avi"}, options, error));
    CaptureOptions fresh;
    EXPECT_FALSE(parse({}, fresh, error));
    EXPECT_NE(error.find("no output"), std::string::npos);
}

TEST(CaptureOptions, SizeMustBeFourByThreeAndRangeOrdered) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(
        parse({"-o", "a.mp4", "--size", "1440x1080", "--fps", "30", "--from", "40", "--to", "60.5"}, options, error))
        << error;
    EXPECT_EQ(options.width, 1440);
    EXPECT_EQ(options.height, 1080);
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.fromSeconds, 40.0);
    EXPECT_EQ(options.toSeconds, 60.5);
    EXPECT_FALSE(parse({"-o", "a.mp4", "--size", "1920x1080"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--size", "640by480"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--fps", "0"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--fps", "29.97"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--from", "10", "--to", "5"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--to"}, options, error));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    EXPECT_FALSE(parse({"-o", "a.mp4", "--frobnicate"}, options, error));
}

TEST(CaptureOptions, TimesMustBeFiniteAndWithinTheProgramme) {
    CaptureOptions options;
    std::string error;
    for (const char* bad : {"nan", "inf", "-inf", "1e400", "-1", "225", "300", "12s", ""}) {
        EXPECT_FALSE(parse({"-o", "a.mp4", "--from", bad}, options, error)) << bad;
        EXPECT_NE(error.find("--from takes"), std::string::npos) << error;
    }
    for (const char* bad : {"nan", "0", "225.5", "1e400"})
        EXPECT_FALSE(parse({"-o", "a.mp4", "--to", bad}, options, error)) << bad;
    // The checks hold whatever else is asked for.
    EXPECT_FALSE(parse({"--no-progress", "-o", "a.mp4", "--from", "nan"}, options, error));
    EXPECT_FALSE(parse({"-o", "a.mp4", "--from", "10.001", "--to", "10.002"}, options, error));
    EXPECT_NE(error.find("no frame starts"), std::string::npos) << error;
    CaptureOptions edges;
    ASSERT_TRUE(parse({"-o", "a.mp4", "--from", "224.5", "--to", "225"}, edges, error)) << error;
    EXPECT_EQ(edges.fromSeconds, 224.5);
    EXPECT_EQ(edges.toSeconds, 225.0);
}

TEST(CaptureOptions, BenchHelpAndVersionNeedNoOutput) {
    CaptureOptions options;
    std::string error;
    EXPECT_TRUE(parse({"--bench"}, options, error));
    EXPECT_TRUE(options.bench);
    CaptureOptions help;
    EXPECT_TRUE(parse({"-h"}, help, error));
    EXPECT_TRUE(help.help);
    CaptureOptions version;
    EXPECT_TRUE(parse({"--version"}, version, error));
    EXPECT_TRUE(version.version);
}

TEST(CaptureOptions, GentleIsOffUnlessAsked) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"-o", "show.mkv"}, options, error)) << error;
    EXPECT_FALSE(options.gentle);
    CaptureOptions gentle;
    ASSERT_TRUE(parse({"--gentle", "-o", "show.mkv", "--from", "28"}, gentle, error)) << error;
    EXPECT_TRUE(gentle.gentle);
    EXPECT_EQ(gentle.format, CaptureFormat::Lossless);
    EXPECT_DOUBLE_EQ(gentle.fromSeconds, 28.0);
    CaptureOptions bench;
    ASSERT_TRUE(parse({"--bench", "--gentle"}, bench, error)) << error;
    EXPECT_TRUE(bench.gentle);
    EXPECT_NE(std::string(captureUsage()).find("--gentle"), std::string::npos);
}
