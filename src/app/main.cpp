// SPDX-License-Identifier: MIT
// Glimmervandra: a self-running real-time demo.
#include <cstdio>

#include "app/demo.h"
#include "app/demo_options.h"
#include "platform/termination.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    DemoOptions options;
    std::string error;
    if (!parseDemoOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "glimmervandra: %s\n\n%s", error.c_str(), demoUsage());
        return 2;
    }
    if (options.version) {
        std::printf("glimmervandra %s\nLicence: MIT\n", GLIMMER_VERSION);
        return 0;
    }
    if (options.help) {
        std::fputs(demoUsage(), stdout);
        return 0;
    }
    chooseDisplay(options.display);
    // SIGTERM and SIGINT end the demo cleanly in every state, a message box
    // open included.
    installTerminationHandlers();
    return runDemo();
}
