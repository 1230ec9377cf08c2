// SPDX-License-Identifier: MIT
// Glimmervandra: a self-running real-time demo.
#include <cstdio>

#include "app/demo.h"
#include "app/demo_options.h"
#include "app/device_check.h"
#include "platform/termination.h"
#include "platform/window.h"
#include "state/gentle_mode.h"

int main(int argc, char** argv) {
    DemoOptions options;
    std::string error;
    const bool parsed = parseDemoOptions(argc, argv, options, error);
    const int answered = answerCommonOptions("glimmervandra", GLIMMER_VERSION, parsed, error, options, demoUsage());
    if (answered >= 0) return answered;
    if (options.check) {
        const DeviceCheck check = checkDevices();
        std::fputs(describeDeviceCheck(check).c_str(), stdout);
        return check.display && check.sound ? 0 : 1;
    }
    chooseDisplay(options.display);
    setGentleMode(options.gentle);
    // SIGTERM and SIGINT end the demo cleanly in every state, a message box
    // open included.
    installTerminationHandlers();
    return runDemo();
}
