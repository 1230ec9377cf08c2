// The program from start-up to tear-down.
#pragma once

// Starts sound, window, music events, playback and textures in that order,
// runs the frame loop and tears down. Returns the exit code: the quit
// message's (0) after a normal run, 0 after a start-up failure.
int runDemo();
