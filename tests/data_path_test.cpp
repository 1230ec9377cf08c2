// SPDX-License-Identifier: MIT
// The data-path resolver: the program spells its folder "data" and "Data"
// while the files ship in one "Data" folder, and the installed demo is started
// from anywhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "assets/tga.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "support/asset_files.h"

namespace {
class DataPath : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldCwd = cwd;
    }
    void TearDown() override {
        resetDataSearchRoots();
        ASSERT_EQ(chdir(oldCwd.c_str()), 0);
    }
    void makeFile(const std::string& relative) {
        dir.write(relative, std::vector<uint8_t>(relative.begin(), relative.end()));
    }
    ScratchFolder dir;
    const std::string& scratch = dir.path();
    std::string oldCwd;
};

TEST_F(DataPath, EitherSpellingOfTheFolderFindsTheShippedFileInEveryRootInOrder) {
    makeFile("first/Data/Grass1.tga");
    makeFile("second/Data/grass1.tga");
    makeFile("second/Data/only.tga");
    setDataSearchRoots({scratch + "/first", scratch + "/second"});

    EXPECT_EQ(resolveDataPath("data/grass1.tga"), scratch + "/first/Data/Grass1.tga");
    EXPECT_EQ(resolveDataPath("Data/GRASS1.TGA"), scratch + "/first/Data/Grass1.tga");
    EXPECT_EQ(resolveDataPath("data/only.tga"), scratch + "/second/Data/only.tga");
    // An exact match in a later root does not beat a case-insensitive one in
    // an earlier root: the roots are tried in their order.
    EXPECT_EQ(resolveDataPath("second/../first/Data/Grass1.tga"), "second/../first/Data/Grass1.tga");
}

TEST_F(DataPath, TheWorkingDirectoryComesFirstAndAnExactPathIsTakenAsItIs) {
    makeFile("Data/ancool2.mod");
    makeFile("elsewhere/Data/ancool2.mod");
    ASSERT_EQ(chdir(scratch.c_str()), 0);
    setDataSearchRoots({"", scratch + "/elsewhere"});

    EXPECT_EQ(resolveDataPath("Data/ancool2.mod"), "Data/ancool2.mod");
    EXPECT_EQ(resolveDataPath("data/./ancool2.mod"), "Data/ancool2.mod");
    EXPECT_EQ(resolveDataPath(scratch + "/DATA/ANCOOL2.MOD"), scratch + "/Data/ancool2.mod");
}

TEST_F(DataPath, AMissingFileResolvesToThePathAsGivenSoThatOpeningItFails) {
    makeFile("Data/present.tga");
    setDataSearchRoots({scratch});

    EXPECT_EQ(resolveDataPath("data/absent.tga"), "data/absent.tga");
    EXPECT_EQ(resolveDataPath("data/present.tga/deeper"), "data/present.tga/deeper");
    EXPECT_EQ(resolveDataPath(""), "");
    EXPECT_EQ(openDataFile("data/absent.tga"), nullptr);
    EXPECT_EQ(openDataFile("data"), nullptr);  // a folder is not a data file

    std::FILE* file = openDataFile("DATA/Present.TGA");
    ASSERT_NE(file, nullptr);
    char text[32] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text - 1, file), std::string("Data/present.tga").size());
    std::fclose(file);
    EXPECT_STREQ(text, "Data/present.tga");
}

TEST_F(DataPath, DescriptionSaysWhereTheFileWasOrWhichFoldersWereSearched) {
    makeFile("Data/ancool2.mod");
    setDataSearchRoots({"", scratch, "/nonexistent/share"});

    EXPECT_EQ(describeDataSearch("data/ancool2.mod"), "found at " + scratch + "/Data/ancool2.mod");
    EXPECT_EQ(describeDataSearch("data/missing.mod"),
              "not found in the working directory (" + oldCwd + "), " + scratch + ", /nonexistent/share");
}

// A named pipe where a data file should be is refused at once, without an
// open that would wait for a writer; the loader then says what it says for
// a file it cannot open.
TEST_F(DataPath, ANamedPipeInADataFilesPlaceIsRefusedWithoutWaiting) {
    ASSERT_EQ(mkdir((scratch + "/Data").c_str(), 0755), 0);
    const std::string pipe = scratch + "/Data/title2.tga";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    setDataSearchRoots({scratch});

    // Should the open wait after all, a writer comes along after a while so
    // that the test ends (and fails on the time) instead of hanging.
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (!done) {
            int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) close(writer);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    std::FILE* file = openDataFile("data/title2.tga");
    captureMessageBoxes(true);
    TextureImage image;
    const bool loaded = loadTga(image, "Data/title2.tga");
    const auto boxes = takeCapturedMessageBoxes();
    captureMessageBoxes(false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    done = true;
    rescue.join();

    EXPECT_EQ(file, nullptr);
    if (file) std::fclose(file);
    EXPECT_FALSE(loaded);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not open texture file");
    EXPECT_NE(boxes[0].detail.find(pipe), std::string::npos) << boxes[0].detail;
    EXPECT_LT(seconds, 2.0);
}

TEST_F(DataPath, DefaultRootsAreTheWorkingDirectoryThenTheProgramsOwnFolderAndInstallTree) {
    resetDataSearchRoots();
    const auto roots = dataSearchRoots();
    ASSERT_GE(roots.size(), 3u);
    EXPECT_EQ(roots[0], "");
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    std::string exe(self, size_t(length));
    EXPECT_EQ(roots[1], exe.substr(0, exe.rfind('/')));
    EXPECT_EQ(roots[2], roots[1] + "/../share/glimmervandra");
}
}  // namespace
