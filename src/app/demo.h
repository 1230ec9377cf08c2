// The program from start-up to tear-down.
#pragma once

#include <cstdint>

// The steps runDemo takes, in the order it takes them. The program uses the
// real ones (demoSteps); tests put in stand-ins to follow the sequence.
struct DemoSteps {
    bool (*soundLibraryVersionMatches)();
    bool (*openMusic)();
    bool (*openWindow)(const char* title, int width, int height, int bits, uint8_t fullscreen);
    void (*registerMusicSyncs)();
    bool (*startMusicPlayback)();
    bool (*loadTextureBank)(const char* slot0Path);
    int (*runFrameLoop)();
    void (*closeMusic)();
    void (*closeWindow)();
};

DemoSteps demoSteps();

// Starts sound, window, music events, playback and textures in that order,
// runs the frame loop and tears down. Returns the exit code: the quit
// message's (0) after a normal run, 0 after a start-up failure or a
// termination signal during start-up.
int runDemo(const DemoSteps& steps = demoSteps());
