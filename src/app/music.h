// SPDX-License-Identifier: MIT
// The soundtrack: the data set's module (musicModulePath) played from start-up on,
// looping, with three one-time events that drive the programme.
#pragma once

#include <cstdint>

bool soundLibraryVersionMatches();  // start-up step 1
bool openMusic();                   // device, output, module; false only without a device
void registerMusicSyncs();          // start-up step 4
bool startMusicPlayback();          // start-up step 5; false when playback does not start
void closeMusic();                  // after the frame loop: stop the device, free the module

// The same without a device, for the capture tool and tests: the module
// plays through soundRenderOffline (platform/sound.h), driven by the
// caller's clock, after registerMusicSyncs and startMusicPlayback as usual.
// False only when the sound layer is already open.
bool openMusicOffline();

// Left level in the low, right in the high 16 bits, each 0..128.
uint32_t musicLevel();

// The three handlers, called on the sound thread: the music reached the end
// of the title, the start of the scene programme, the first flash note.
void titleEndSync();
void timelineStartSync();
void flashSync();
