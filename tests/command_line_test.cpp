// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/about.h"
#include "app/demo_options.h"
#include "capture_options.h"

namespace {
// argv as a program gets it: the program's name first, then the words.
struct Words {
    explicit Words(std::vector<std::string> words) : storage(std::move(words)) {
        storage.insert(storage.begin(), "glimmervandra");
        for (std::string& word : storage) pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return int(storage.size()); }
    char** argv() { return pointers.data(); }
    std::vector<std::string> storage;
    std::vector<char*> pointers;
};

bool parseDemo(std::vector<std::string> words, DemoOptions& options, std::string& error) {
    Words line(std::move(words));
    return parseDemoOptions(line.argc(), line.argv(), options, error);
}
}  // namespace

TEST(DemoCommandLine, NoOptionsKeepTheDefaultDisplay) {
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(parseDemo({}, options, error)) << error;
    EXPECT_EQ(options.display, DisplayChoice::automatic);
    EXPECT_FALSE(options.help || options.version || options.gentle);
}

TEST(DemoCommandLine, EveryWayOfChoosingTheDisplay) {
    struct Case {
        std::vector<std::string> words;
        DisplayChoice display;
    };
    const Case cases[] = {
        {{"--display=mode"}, DisplayChoice::mode},
        {{"--display", "desktop"}, DisplayChoice::desktop},
        {{"--display=window"}, DisplayChoice::window},
        {{"-w"}, DisplayChoice::window},
        {{"--window"}, DisplayChoice::window},
        {{"--display=desktop", "--display=mode"}, DisplayChoice::mode},  // the last one counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words[0]);
        DemoOptions options;
        std::string error;
        ASSERT_TRUE(parseDemo(c.words, options, error)) << error;
        EXPECT_EQ(options.display, c.display);
    }
}

TEST(DemoCommandLine, CommonOptionsAreTaken) {
    DemoOptions options;
    std::string error;
    ASSERT_TRUE(parseDemo({"--gentle", "-h", "--version", "--check"}, options, error)) << error;
    EXPECT_TRUE(options.check);
    EXPECT_TRUE(options.gentle);
    EXPECT_TRUE(options.help);
    EXPECT_TRUE(options.version);
}

// Each bad line is refused with a message naming what is wrong; a good line
// parsed right after one still parses (the parser starts afresh each time).
TEST(DemoCommandLine, BadLinesAreRefusedWithTheirReason) {
    struct Case {
        std::vector<std::string> words;
        const char* says;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown or ambiguous option --frobnicate"},
        {{"-x"}, "unknown option -x"},
        {{"--display"}, "--display needs a value"},
        {{"--display=wide"}, "--display takes mode, desktop or window"},
        {{"--help=yes"}, "--help takes no value"},
        {{"show.mp4"}, "unexpected argument show.mp4"},
        {{"--window", "now"}, "unexpected argument now"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words[0]);
        DemoOptions options;
        std::string error;
        EXPECT_FALSE(parseDemo(c.words, options, error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;

        DemoOptions good;
        ASSERT_TRUE(parseDemo({"--display=desktop"}, good, error)) << error;
        EXPECT_EQ(good.display, DisplayChoice::desktop);
    }
}

TEST(DemoCommandLine, UsageNamesEveryOption) {
    const std::string usage = demoUsage();
    for (const char* option :
         {"--display=MODE", "mode", "desktop", "window", "-w, --window", "--gentle", "--version", "-h, --help"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

// The capture takes its options through the same parser: the common ones,
// values written either way, and a value that begins with a dash.
TEST(CaptureCommandLine, SharesTheParserAndTheCommonOptions) {
    Words line({"--gentle", "--output=show.mkv", "--fps", "30", "--from=10", "--to", "12"});
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parseCaptureOptions(line.argc(), line.argv(), options, error)) << error;
    EXPECT_TRUE(options.gentle);
    EXPECT_EQ(options.output, "show.mkv");
    EXPECT_EQ(options.format, CaptureFormat::Lossless);
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.fromSeconds, 10.0);
    EXPECT_EQ(options.toSeconds, 12.0);

    Words negative({"-o", "a.mp4", "--from", "-1"});
    CaptureOptions refused;
    EXPECT_FALSE(parseCaptureOptions(negative.argc(), negative.argv(), refused, error));
    EXPECT_NE(error.find("--from takes"), std::string::npos) << error;

    Words stray({"-o", "a.mp4", "b.mp4"});
    CaptureOptions twoOutputs;
    EXPECT_FALSE(parseCaptureOptions(stray.argc(), stray.argv(), twoOutputs, error));
    EXPECT_NE(error.find("unexpected argument b.mp4"), std::string::npos) << error;
    EXPECT_NE(std::string(captureUsage()).find("--gentle"), std::string::npos);
}

// The answers every program gives before its own work: exit code 2 with the
// reason and the usage for a bad line, 0 after --version (with the licence)
// or --help, and on otherwise.
TEST(CommonAnswers, BadLineVersionHelpOrGoOn) {
    CommonOptions none;
    testing::internal::CaptureStderr();
    EXPECT_EQ(answerCommonOptions("prog", "1.2", false, "unknown option -x", none, "usage: prog\n"), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "prog: unknown option -x\n\nusage: prog\n");

    CommonOptions version;
    version.version = version.help = true;  // --version wins
    testing::internal::CaptureStdout();
    EXPECT_EQ(answerCommonOptions("prog", "1.2", true, "", version, "usage: prog\n"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("prog 1.2\n") + licenceNotice);

    CommonOptions help;
    help.help = true;
    testing::internal::CaptureStdout();
    EXPECT_EQ(answerCommonOptions("prog", "1.2", true, "", help, "usage: prog\n"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "usage: prog\n");

    EXPECT_EQ(answerCommonOptions("prog", "1.2", true, "", none, "usage: prog\n"), -1);
}
