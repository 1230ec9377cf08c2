#include "app/demo.h"

#include "app/frame_loop.h"
#include "app/music.h"
#include "app/shared_state.h"
#include "app/window_procedure.h"
#include "assets/data_files.h"
#include "assets/texture_bank.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/termination.h"
#include "platform/window.h"

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
    return steps;
}

int runDemo(const DemoSteps& steps) {
    if (!steps.soundLibraryVersionMatches()) {
        showMessageBox("BASS version 1.8 was not loaded", "Incorrect BASS.DLL", MB_OK);
        return 0;
    }
    if (!steps.openMusic()) {
        showMessageBox("Can't initialize sound.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    // A termination signal during start-up: no window is opened any more.
    if (terminationRequested()) {
        steps.closeMusic();
        return 0;
    }
    registerWindowProcedure(windowProcedure);
    // openWindow shows its own message on failure.
    if (!steps.openWindow("Glimmervandra", screenWidth, screenHeight, 16, fullscreen)) return 0;
    resizeViewport(screenWidth, screenHeight);

    steps.registerMusicSyncs();
    if (!steps.startMusicPlayback()) {
        // Give the desktop its display mode back before saying so: a message
        // box behind a fullscreen window could not be answered.
        steps.closeWindow();
        MessageDetail detail(dataFileDetail(musicModulePath));
        showMessageBox("Soenderbuggat.....", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    steps.loadTextureBank(grassPicturePath);  // the music already plays meanwhile

    // A termination signal from here on reaches the frame loop as a close
    // message: its first frame ends the run as Escape would.
    const int exitCode = steps.runFrameLoop();
    steps.closeMusic();
    steps.closeWindow();
    return exitCode;
}
