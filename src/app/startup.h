// SPDX-License-Identifier: MIT
// The programme's one start-up and one tear-down, shared by the demo and the
// headless run: the library version, the music, the display (a window or a
// headless context), the music's events, playback and the texture bank, in
// that order; then their release. The steps come in as a table, so that the
// headless run can put in its own music and display and tests stand-ins.
#pragma once

#include <cstdint>

struct ProgrammeSteps {
    bool (*soundLibraryVersionMatches)();
    bool (*openMusic)();  // with a device, or offline
    // The display: makes a GL context of width x height current and shows
    // its own message when it cannot.
    bool (*openWindow)(const char* title, int width, int height, int bits, uint8_t fullscreen);
    void (*registerMusicSyncs)();
    bool (*startMusicPlayback)();
    bool (*loadTextureBank)(const char* slot0Path);
    int (*runFrameLoop)();  // the demo's; the headless run drives its own passes
    void (*closeMusic)();
    void (*closeWindow)();
    // The drawable's size in pixels once the display is open (a desktop-sized
    // fullscreen window, a high-density output); null: the size asked for.
    void (*drawableSize)(int& width, int& height);
};

// The step that stopped the start-up, if one did.
enum class StartupStep { none, soundVersion, sound, terminated, display, playback };

struct StartupResult {
    StartupStep failed = StartupStep::none;
    // Durations in seconds, for the benchmark: the sound layer (version check
    // and opening), the display with its viewport, and the texture bank.
    double soundSeconds = 0.0;
    double displaySeconds = 0.0;
    double textureBankSeconds = 0.0;
};

// Runs the start-up for a width x height display. After a failure only this
// is given back: the music after a termination signal, the display after a
// playback failure (before anything is said about it: a message box behind a
// fullscreen window could not be answered). Saying what failed is the
// caller's part; the display says its own.
StartupResult startProgramme(const ProgrammeSteps& steps, int width, int height);

// After the frame loop: the models a scene may still hold, the music, the
// textures, then the display.
void stopProgramme(const ProgrammeSteps& steps);
