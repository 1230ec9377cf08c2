// SPDX-License-Identifier: MIT
// The program from start-up to tear-down.
#pragma once

#include "app/startup.h"

// The steps runDemo takes, in the order it takes them. The program uses the
// real ones (demoSteps); tests put in stand-ins to follow the sequence.
using DemoSteps = ProgrammeSteps;

DemoSteps demoSteps();

// Starts sound, window, music events, playback and textures in that order,
// runs the frame loop and tears down. Returns the exit code: the quit
// message's (0) after a normal run, 0 after a start-up failure or a
// termination signal during start-up.
int runDemo(const DemoSteps& steps = demoSteps());
