// SPDX-License-Identifier: MIT
// The demo's start-up sequence with every step stood in for: the order of
// the steps, the message of each start-up failure and what is (and is not)
// done before and after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/demo.h"
#include "platform/message_box.h"

namespace {

// Steps and message boxes in the order they happened.
std::vector<std::string> happened;
bool versionMatches, musicOpens, windowOpens, playbackStarts;

// Boxes shown so far go into the log first, so that a box's place among the
// steps shows.
void log(const std::string& step) {
    for (const MessageBoxRecord& box : takeCapturedMessageBoxes())
        happened.push_back("box " + box.caption + ": " + box.text + " / " + std::to_string(box.style));
    if (!step.empty()) happened.push_back(step);
}

DemoSteps recordingSteps() {
    DemoSteps steps{};
    steps.soundLibraryVersionMatches = [] {
        log("version");
        return versionMatches;
    };
    steps.openMusic = [] {
        log("openMusic");
        return musicOpens;
    };
    steps.openWindow = [](const char* title, int width, int height, int bits, uint8_t fullscreen) {
        log("openWindow " + std::string(title) + " " + std::to_string(width) + "x" + std::to_string(height) + "x" +
            std::to_string(bits) + (fullscreen ? " fullscreen" : " windowed"));
        return windowOpens;
    };
    steps.registerMusicSyncs = [] { log("registerMusicSyncs"); };
    steps.startMusicPlayback = [] {
        log("startMusicPlayback");
        return playbackStarts;
    };
    steps.loadTextureBank = [](const char* path) {
        log("loadTextureBank " + std::string(path));
        return true;
    };
    steps.runFrameLoop = [] {
        log("runFrameLoop");
        return 5;
    };
    steps.closeMusic = [] { log("closeMusic"); };
    steps.closeWindow = [] { log("closeWindow"); };
    return steps;
}

class DemoStartUp : public ::testing::Test {
protected:
    void SetUp() override {
        captureMessageBoxes(true);
        happened.clear();
        versionMatches = musicOpens = windowOpens = playbackStarts = true;
    }
    void TearDown() override { captureMessageBoxes(false); }

    std::vector<std::string> run(int expectedExitCode = 0) {
        EXPECT_EQ(runDemo(recordingSteps()), expectedExitCode);
        log("");
        return happened;
    }
};

using Log = std::vector<std::string>;
const std::string exclamation = std::to_string(MB_OK | MB_ICONEXCLAMATION);

}  // namespace

TEST_F(DemoStartUp, StepsRunInOrderAndTheLoopsExitCodeIsReturned) {
    EXPECT_EQ(run(5), (Log{"version", "openMusic", "openWindow Glimmervandra 640x480x16 fullscreen",
                           "registerMusicSyncs", "startMusicPlayback", "loadTextureBank data/grass1.tga",
                           "runFrameLoop", "closeMusic", "closeWindow"}));
}

TEST_F(DemoStartUp, EachFailureEndsWithItsMessageAndReleasesNothingElse) {
    versionMatches = false;
    EXPECT_EQ(run(), (Log{"version", "box Incorrect BASS.DLL: BASS version 1.8 was not loaded / 0"}));

    SetUp();
    musicOpens = false;
    EXPECT_EQ(run(), (Log{"version", "openMusic", "box ERROR: Can't initialize sound. / " + exclamation}));

    SetUp();
    windowOpens = false;  // the window shows its own message
    EXPECT_EQ(run(), (Log{"version", "openMusic", "openWindow Glimmervandra 640x480x16 fullscreen"}));

    // The window is closed (the display mode given back) before the box.
    SetUp();
    playbackStarts = false;
    EXPECT_EQ(run(),
              (Log{"version", "openMusic", "openWindow Glimmervandra 640x480x16 fullscreen", "registerMusicSyncs",
                   "startMusicPlayback", "closeWindow", "box ERROR: Soenderbuggat..... / " + exclamation}));
}
