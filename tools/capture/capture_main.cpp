// SPDX-License-Identifier: MIT
// glimmervandra-capture: the programme rendered to video, frame-exactly.
#include <cstdio>

#include "bench.h"
#include "capture.h"
#include "capture_options.h"
#include "platform/message_box.h"
#include "state/gentle_mode.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    const bool parsed = parseCaptureOptions(argc, argv, options, error);
    const int answered =
        answerCommonOptions("glimmervandra-capture", GLIMMER_VERSION, parsed, error, options, captureUsage());
    if (answered >= 0) return answered;
    setGentleMode(options.gentle);
    showMessageBoxesOnConsole(true);  // a missing picture is reported, not asked about
    return options.bench ? runBench(options) : runCapture(options);
}
