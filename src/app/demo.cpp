#include "app/demo.h"

#include "app/frame_loop.h"
#include "app/music.h"
#include "app/shared_state.h"
#include "assets/texture_bank.h"
#include "platform/message_box.h"
#include "platform/window.h"

int runDemo() {
    if (!soundLibraryVersionMatches()) {
        showMessageBox("BASS version 1.8 was not loaded", "Incorrect BASS.DLL", MB_OK);
        return 0;
    }
    if (!openMusic()) {
        showMessageBox("Can't initialize sound.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    // openWindow shows its own message on failure.
    if (!openWindow("Glimmervandra", screenWidth, screenHeight, 16, fullscreen)) return 0;

    registerMusicSyncs();
    if (!startMusicPlayback()) {
        // Give the desktop its display mode back before saying so: a message
        // box behind a fullscreen window could not be answered.
        closeWindow();
        showMessageBox("Soenderbuggat.....", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    loadTextureBank("data/grass1.tga");  // the music already plays meanwhile

    const int exitCode = runFrameLoop();
    closeMusic();
    closeWindow();
    return exitCode;
}
