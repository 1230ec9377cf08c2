#include "app/music.h"

#include "app/shared_state.h"
#include "platform/sound.h"

uint32_t musicHandle = 0;

namespace {

const char* const musicFile = "Data/ancool2.mod";

// Instrument 9 (any note) flashes.
constexpr uint64_t flashInstrument = 0xFFFF0009;

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
    musicHandle = soundLoadModule(musicFile);
    return true;
}

bool openMusicOffline() {
    if (!soundInitOffline()) return false;
    musicHandle = soundLoadModule(musicFile);
    return true;
}

void registerMusicSyncs() {
    const uint32_t oneTimePosition = SOUND_SYNC_ONETIME | SOUND_SYNC_MUSICPOS;
    const uint32_t oneTimeInstrument = SOUND_SYNC_ONETIME | SOUND_SYNC_MUSICINST;
    soundSetSync(musicHandle, oneTimePosition, musicTitleEndPosition, titleEndSync, nullptr);
    soundSetSync(musicHandle, oneTimePosition, musicTimelineStartPosition, timelineStartSync, nullptr);
    soundSetSync(musicHandle, oneTimeInstrument, flashInstrument, flashSync, nullptr);
}

bool startMusicPlayback() { return musicHandle != 0 && soundPlay(musicHandle); }

void closeMusic() {
    soundFree();  // stops the device before it frees the module
    musicHandle = 0;
}

uint32_t musicLevel() { return soundLevel(musicHandle); }

void titleEndSync(uint32_t, uint32_t, uint32_t, void*) {
    storeTimelineValues(frameDelta.load(), slideSixHold);
}

void timelineStartSync(uint32_t, uint32_t, uint32_t, void*) {
    storeTimelineValues(0.0, frameDelta.load());
}

void flashSync(uint32_t, uint32_t, uint32_t, void*) { flashLevel.store(100.0f); }
