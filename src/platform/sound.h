// SPDX-License-Identifier: MIT
// The sound layer: one music module through the default output device, a
// handler called once when the music reaches a marked row and once when a
// marked instrument first sounds, and the level of what is being heard.
// libopenmpt decodes, SDL2 plays.
//
// Life of a run (all calls from the program thread):
//   soundVersionMatches()           the libopenmpt in use is the one built for
//   soundOpenDevice()               default device, 44100 Hz stereo, 1024-frame
//                                   buffer, output running (silence)
//   soundLoadMusic(path)            false when missing, unreadable or not a module
//   soundOnPosition(order, row, f)  before playback: f() once, at that row
//   soundOnInstrument(n, f)         before playback: f() once, at n's first note
//   soundPlay()                     from here on only the audio thread touches the decoder
//   soundLevel()                    every frame, any time
//   soundClose()                    stops the device first, then frees the music
//
// Cues go off once in the whole run, however often the music loops. A
// position cue goes off when playback reaches the row (also when a pattern
// break or jump lands right on it; rows jumped over never count). An
// instrument cue goes off when a note starts whose instrument is the one
// asked for: the instrument in the cell or, for a note without one, the
// channel's last; a tone-portamento target slides rather than starts, a bare
// instrument number starts nothing, a note delay moves the start to its
// tick.
//
// Cues are found while the music is rendered, in steps of at most 64 frames,
// and their handlers are called when their audio is heard: the layer adds
// the device's output latency and calls the handler on its own event thread
// at that moment. Handlers must not block and must not use GL; they may call
// soundEventFrame, soundPosition and soundLevel, but nothing that renders or
// closes.
//
// OFFLINE MODE (tests, capture tool). soundOpenOffline() instead of
// soundOpenDevice(): no device and no threads; the caller is the clock.
//   soundOpenOffline();
//   soundLoadMusic("Data/ancool2.mod");
//   soundOnPosition(...);  soundPlay();
//   per video frame:  soundRenderOffline(buffer, framesOfThisVideoFrame);
//                     level = soundLevel();
//   soundClose();
// - soundRenderOffline renders the playing music into the caller's buffer
//   (interleaved stereo floats) in steps of one frame, so every cue lies on
//   its exact frame. Each handler is called on the caller's thread inside
//   the render call that contains its frame, right after that frame is
//   rendered; soundEventFrame() then tells the frame (counted from playback
//   start), and soundPosition() the frames rendered so far. Frames never
//   skip or overlap between calls.
// - soundLevel() is the peak of the last 1024 frames rendered (or of all of
//   them, when fewer), so called after each render it gives the level of the
//   samples just rendered.
// - Rendering N frames in one call or in any split gives the same samples
//   and the same cues at the same frames.
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

// Opens the default output device through SDL audio (44100 Hz, stereo,
// 1024-frame buffer) and starts its output, silent until the music plays.
// False when no audio driver or device is available, and when SDL lands on
// a null driver (dummy, disk) that nobody asked for in SDL_AUDIODRIVER: the
// music must not go silently nowhere. False too when the layer is open.
bool soundOpenDevice();
// Opens the layer without a device, for soundRenderOffline. False when the
// layer is open.
bool soundOpenOffline();
// Why the last soundOpenDevice failed (SDL's message), for diagnostics.
std::string soundLastError();

// Loads the music from a data file (through the data-path resolver): whole
// file into memory, decoder set to loop for ever with volume ramping. False
// when the layer is not open, music is already loaded, or the file is
// missing, unreadable, too large or not a module the decoder plays.
bool soundLoadMusic(const std::string& path);

// Cues on the loaded music, before it plays: `handler` is called once, when
// playback reaches row `row` of order `order` (both counted from 0), or when
// instrument `instrument` (counted from 1) first starts a note of any pitch.
// False without music, once it plays, or for a place that cannot exist.
bool soundOnPosition(int order, int row, SoundHandler handler);
bool soundOnInstrument(int instrument, SoundHandler handler);

// Starts the music: with a device, its audio thread renders it from now on;
// offline, soundRenderOffline does. False without music or an open layer.
bool soundPlay();

// Left level in the low, right in the high 16 bits, each 0..128 (128 = full
// scale): the peak of the audio being heard now (offline: just rendered).
// 0 while the music is not playing; 0xFFFFFFFF when none is loaded.
uint32_t soundLevel();

// The length of one pass through the loaded music's song; 0 without music.
double soundMusicSeconds();

// Frames of the music heard so far (offline: rendered so far).
uint64_t soundPosition();

// Inside a handler: the frame its cue marks, counted from playback start.
uint64_t soundEventFrame();

// Offline: renders the next `frames` frames of the playing music,
// interleaved stereo, calling the handlers of cues that fall in them.
// Returns frames rendered: `frames`, or 0 (buffer silenced) when the layer
// is not offline or nothing plays.
size_t soundRenderOffline(float* interleavedStereo, size_t frames);

// Tests and benchmarks: the steps (1..64 frames) in which the device thread
// renders between looks at the position (default 64) and offline rendering
// does (default 1).
void setSoundDetectionSteps(size_t deviceStep, size_t offlineStep);

// Stops and closes the device, stops the event thread, then frees the
// music. Safe to call in any state, also twice.
void soundClose();
