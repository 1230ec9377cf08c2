// SPDX-License-Identifier: MIT
// glimmervandra-capture: the programme rendered to video, frame-exactly.
#include <cstdio>

#include "bench.h"
#include "capture.h"
#include "capture_options.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "glimmervandra-capture: %s\n\n%s", error.c_str(), captureUsage());
        return 2;
    }
    if (options.version) {
        std::printf("glimmervandra-capture %s\nLicence: MIT\n", GLIMMER_VERSION);
        return 0;
    }
    if (options.help) {
        std::fputs(captureUsage(), stdout);
        return 0;
    }
    showMessageBoxesOnConsole(true);  // a missing picture is reported, not asked about
    return options.bench ? runBench(options) : runCapture(options);
}
