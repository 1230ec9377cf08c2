// SPDX-License-Identifier: MIT
// The sound layer: module music through the default output device, with
// one-time events at positions of the music and when an instrument sounds,
// and the level of what is being heard. libopenmpt decodes, SDL2 plays.
//
// Life of a run (all calls from the program thread):
//   soundVersionMatches()             the libopenmpt in use is the one built for
//   soundInit() + soundStart()        default device, 44100 Hz stereo, 1024-frame buffer
//   h = soundLoadModule(path)         0 when missing, unreadable or not a module
//   soundSetSync(h, ...)              before playback
//   soundPlay(h)                      from here on only the audio thread touches h's decoder
//   soundLevel(h)                     every frame, any time
//   soundFree()                       stops the device first, then frees the modules
//
// Events are detected while the music is rendered, in steps of at most 64
// frames, and handed to their handler when their audio is heard: the layer
// adds the device's output latency and calls the handler on its own event
// thread at that moment. Handlers must not block and must not use GL; they
// may call soundEventFrame, soundPosition and soundLevel, but nothing that
// renders, stops or frees.
//
// OFFLINE MODE (tests, capture tool). soundInitOffline() instead of
// soundInit(): no device and no threads; the caller is the clock.
//   soundInitOffline();
//   uint32_t h = soundLoadModule("Data/ancool2.mod");
//   soundSetSync(h, ...);  soundPlay(h);
//   per video frame:  soundRenderOffline(buffer, framesOfThisVideoFrame);
//                     level = soundLevel(h);
//   soundFree();
// - soundRenderOffline renders the playing module into the caller's buffer
//   (interleaved stereo, float or int16) in steps of one frame, so every
//   event lies on its exact frame. Each handler is called on the caller's
//   thread inside the render call that contains the event's frame, right
//   after that frame is rendered; soundEventFrame() then tells the frame
//   (counted from playback start), and soundPosition(h) the frames rendered
//   so far. Frames never skip or overlap between calls.
// - soundLevel(h) is the peak of the last 1024 frames rendered (or of all
//   of them, when fewer), so called after each render it gives the level of
//   the samples just rendered.
// - Rendering N frames in one call or in any split gives the same samples
//   and the same events at the same frames.
#pragma once

#include "platform/module_player.h"

#include <cstddef>
#include <cstdint>
#include <string>

// soundSampleRate (module_player.h) is the rate of everything below.
constexpr int soundDeviceBufferFrames = 1024;

// The API version (major << 24 | minor << 16 | patch) of the libopenmpt the
// program was built for, and of the one it runs with. They match when major
// and minor agree; a different patch level keeps the same interface.
uint32_t soundBuiltVersion();
uint32_t soundRunningVersion();
bool soundVersionMatches();
// Tests: pretend to run with another library version (0 = the real one).
void setSoundRunningVersionForTesting(uint32_t version);

// Opens the default output device through SDL audio: 44100 Hz, stereo,
// 1024-frame buffer. False when no audio driver or device is available,
// and when SDL lands on a null driver (dummy, disk) that nobody asked for in
// SDL_AUDIODRIVER: the music must not go silently nowhere. False too when
// the layer is already open.
bool soundInit();
// Starts the device's output (silence until a module plays).
void soundStart();
// Opens the layer without a device, for soundRenderOffline.
bool soundInitOffline();
// Why the last soundInit failed (SDL's message), for diagnostics.
std::string soundLastError();

// Loads a module from a data file (through the data-path resolver): whole
// file into memory, decoder set to loop for ever with volume ramping. 0 when
// the layer is not open or the file is missing, unreadable, too large or not
// a module the decoder plays.
uint32_t soundLoadModule(const std::string& path);

// Registers an event on a module that is not playing yet. type: SOUND_SYNC_MUSICPOS
// or SOUND_SYNC_MUSICINST, optionally with SOUND_SYNC_ONETIME (fires once in
// the whole run, however often the module loops). param (high 32 bits 0):
//   MUSICPOS:  order | row << 16, fires when playback reaches that row
//              (0xFFFF in a word: every order / every row)
//   MUSICINST: instrument | note << 16, fires when a note of the instrument
//              starts (note 0 = C-0; 0xFFFF: any note)
// The handler gets (sync id, module handle, data, user): data is
// order | row << 16 for a position, note | channel << 16 for an instrument.
// Returns the sync id, 0 for an unknown handle, a playing module or a bad
// type.
uint32_t soundSetSync(uint32_t handle, uint32_t type, uint64_t param, SoundSyncProc proc, void* user);

// Starts the module: with a device, its audio thread renders it from now on;
// offline, soundRenderOffline does. False for an unknown handle (0 included),
// a layer that is not open, or while another module plays.
bool soundPlay(uint32_t handle);
// Stops the playing module; afterwards the program thread may touch it again.
void soundStop();
// Frees a module that is not playing. False for an unknown or playing one.
bool soundFreeModule(uint32_t handle);

// Left level in the low, right in the high 16 bits, each 0..128 (128 = full
// scale): the peak of the audio being heard now (offline: just rendered).
// 0 while the module is not playing; 0xFFFFFFFF for an unknown handle.
uint32_t soundLevel(uint32_t handle);

// The length of one pass through a loaded module's song; 0 for an unknown
// handle.
double soundModuleSeconds(uint32_t handle);

// Frames of the module heard so far (offline: rendered so far).
uint64_t soundPosition(uint32_t handle);

// Inside a handler: the frame its event marks, counted from playback start.
uint64_t soundEventFrame();

// Offline: renders the next `frames` frames of the playing module,
// interleaved stereo, firing due events. Returns frames rendered: `frames`,
// or 0 (buffer silenced) when the layer is not offline or nothing plays.
size_t soundRenderOffline(float* interleavedStereo, size_t frames);
size_t soundRenderOffline(int16_t* interleavedStereo, size_t frames);

// Tests and benchmarks: the steps (1..64 frames) in which the device thread
// renders between looks at the position (default 64) and offline rendering
// does (default 1).
void setSoundDetectionSteps(size_t deviceStep, size_t offlineStep);

// Stops and closes the device, stops the event thread, then frees every
// module. Safe to call in any state, also twice.
void soundFree();
