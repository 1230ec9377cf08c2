// SPDX-License-Identifier: MIT
#include "app/demo.h"

#include "app/frame_loop.h"
#include "app/music.h"
#include "assets/data_files.h"
#include "assets/texture_bank.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "state/run_state.h"

DemoSteps demoSteps() {
    DemoSteps steps{};
    steps.soundLibraryVersionMatches = soundLibraryVersionMatches;
    steps.openMusic = openMusic;
    steps.openWindow = openWindow;
    steps.registerMusicSyncs = registerMusicSyncs;
    steps.startMusicPlayback = startMusicPlayback;
    steps.loadTextureBank = loadTextureBank;
    steps.runFrameLoop = runFrameLoop;
    steps.closeMusic = closeMusic;
    steps.closeWindow = closeWindow;
    steps.drawableSize = windowDrawableSize;
    return steps;
}

int runDemo(const DemoSteps& steps) {
    switch (startProgramme(steps, screenWidth, screenHeight).failed) {
        case StartupStep::none: break;
        case StartupStep::soundVersion:
            showMessageBox("BASS version 1.8 was not loaded", "Incorrect BASS.DLL", MB_OK);
            return 0;
        case StartupStep::sound:
            showMessageBox("Can't initialize sound.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
            return 0;
        case StartupStep::terminated:
        case StartupStep::display: return 0;
        case StartupStep::playback: {
            MessageDetail detail(dataFileDetail(musicModulePath));
            showMessageBox("Soenderbuggat.....", "ERROR", MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    // A termination signal from here on reaches the frame loop as a close
    // message: its first frame ends the run as Escape would.
    const int exitCode = steps.runFrameLoop();
    stopProgramme(steps);
    return exitCode;
}
