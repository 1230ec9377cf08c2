// SPDX-License-Identifier: MIT
#include "app/music.h"

#include "state/run_state.h"
#include "assets/data_files.h"
#include "assets/music_marks.h"
#include "platform/sound.h"

uint32_t musicHandle = 0;

namespace {

// Instrument 9 (any note) flashes: instrument | note << 16 as the sound
// layer takes it.
constexpr uint64_t flashAnyNote = uint64_t(flashInstrument) | uint64_t(SOUND_SYNC_ANY) << 16;

// Slide 6 stays until the second event; its bound lies far beyond the end
// of the programme.
constexpr double slideSixHold = 135821.0;

}  // namespace

bool soundLibraryVersionMatches() { return soundVersionMatches(); }

bool openMusic() {
    if (!soundInit()) return false;
    soundStart();
    // A missing or broken module is not reported here: the handle stays 0
    // and playback start fails.
    musicHandle = soundLoadModule(musicModulePath);
    return true;
}

bool openMusicOffline() {
    if (!soundInitOffline()) return false;
    musicHandle = soundLoadModule(musicModulePath);
    return true;
}

void registerMusicSyncs() {
    const uint32_t oneTimePosition = SOUND_SYNC_ONETIME | SOUND_SYNC_MUSICPOS;
    const uint32_t oneTimeInstrument = SOUND_SYNC_ONETIME | SOUND_SYNC_MUSICINST;
    soundSetSync(musicHandle, oneTimePosition, musicTitleEndPosition, titleEndSync, nullptr);
    soundSetSync(musicHandle, oneTimePosition, musicTimelineStartPosition, timelineStartSync, nullptr);
    soundSetSync(musicHandle, oneTimeInstrument, flashAnyNote, flashSync, nullptr);
}

bool startMusicPlayback() { return musicHandle != 0 && soundPlay(musicHandle); }

void closeMusic() {
    soundFree();  // stops the device before it frees the module
    musicHandle = 0;
}

uint32_t musicLevel() { return soundLevel(musicHandle); }

void titleEndSync(uint32_t, uint32_t, uint32_t, void*) { storeTimelineValues(frameDelta.load(), slideSixHold); }

void timelineStartSync(uint32_t, uint32_t, uint32_t, void*) { storeTimelineValues(0.0, frameDelta.load()); }

void flashSync(uint32_t, uint32_t, uint32_t, void*) { flashLevel.store(100.0f); }
