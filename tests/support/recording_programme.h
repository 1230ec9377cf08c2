// SPDX-License-Identifier: MIT
// Stand-ins for the scenes that record every call the timeline or the frame
// loop makes, with the state the call saw.
#pragma once

#include <string>
#include <vector>

#include "app/timeline.h"

struct RecordedCall {
    std::string name;  // e.g. "setupFlowerScene", "drawSlide 6"
    bool sceneMode;    // the timeline's flags when the call was made
    bool slideMode;
    float phase;  // a shared accumulator, to see resets
    float rotY;
    double elapsed;
    double frameDelta;
    float flashLevel;
};

extern std::vector<RecordedCall> recordedCalls;

// A ProgrammeOps whose every entry records into recordedCalls.
ProgrammeOps recordingProgramme();

// The calls' names only, optionally without the per-frame draws.
std::vector<std::string> recordedNames(bool withDraws = true);
