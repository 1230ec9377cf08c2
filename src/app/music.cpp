// SPDX-License-Identifier: MIT
#include "app/music.h"

#include "assets/data_files.h"
#include "assets/music_marks.h"
#include "platform/sound.h"
#include "state/run_state.h"

namespace {

// Slide 6 stays until the second event; its bound lies far beyond the end
// of the programme.
constexpr double slideSixHold = 135821.0;

}  // namespace

bool soundLibraryVersionMatches() { return soundVersionMatches(); }

bool openMusic() {
    if (!soundOpenDevice()) return false;
    // A missing or broken module is not reported here: nothing is loaded and
    // playback start fails.
    soundLoadMusic(musicModulePath);
    return true;
}

bool openMusicOffline() {
    if (!soundOpenOffline()) return false;
    soundLoadMusic(musicModulePath);
    return true;
}

void registerMusicSyncs() {
    soundOnPosition(titleEndOrder, titleEndRow, titleEndSync);
    soundOnPosition(programmeStartOrder, programmeStartRow, timelineStartSync);
    soundOnInstrument(flashInstrument, flashSync);
}

bool startMusicPlayback() { return soundPlay(); }

void closeMusic() { soundClose(); }  // stops the device before it frees the module

uint32_t musicLevel() { return soundLevel(); }

void titleEndSync() { storeTimelineValues(frameDelta.load(), slideSixHold); }

void timelineStartSync() { storeTimelineValues(0.0, frameDelta.load()); }

void flashSync() { flashLevel.store(100.0f); }
