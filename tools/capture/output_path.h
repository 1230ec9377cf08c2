// SPDX-License-Identifier: MIT
// Outputs the capture cannot write are refused before anything is rendered,
// rather than after minutes of frames.
#pragma once

#include <string>

#include "capture_options.h"

// The files a video output is made through, beside it: the picture and the
// sound as captured, and the joined video until it has been checked.
struct VideoIntermediates {
    std::string video, audio, joined;
};
VideoIntermediates videoIntermediates(const std::string& output);

// "" when the output of these (parsed) options can be written; otherwise
// why not, as a sentence naming the path.
std::string outputProblem(const CaptureOptions& options);
