// SPDX-License-Identifier: MIT
// Stand-ins for the programme's scenes that record every call the timeline
// or the frame loop makes, with the state the call saw.
#pragma once

#include <string>
#include <vector>

#include "app/timeline.h"

struct RecordedCall {
    std::string name;  // e.g. "set up flower", "draw slide 6", "tear down scroller"
    bool sceneMode;    // the timeline's flags when the call was made
    bool slideMode;
    float phase;  // a shared accumulator, to see resets
    float rotY;
    double elapsed;
    double frameDelta;
    float flashLevel;
};

extern std::vector<RecordedCall> recordedCalls;

// The real programme's rows with every scene replaced by a recorder: "set up
// NAME", "draw NAME" and, where the real scene has one, "tear down NAME";
// the meter records "draw meter" and the buffer swap "present".
Programme recordingProgramme();

// The calls' names only, optionally without the per-frame draws.
std::vector<std::string> recordedNames(bool withDraws = true);
