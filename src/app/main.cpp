// SPDX-License-Identifier: MIT
// Glimmervandra: a self-running real-time demo. Its one option, --gentle,
// calms what flashes; other arguments are ignored.
#include "app/demo.h"
#include "app/gentle_mode.h"
#include "platform/termination.h"

int main(int argc, char** argv) {
    setGentleMode(gentleRequested(argc, argv));
    // SIGTERM and SIGINT end the demo cleanly in every state, a message box
    // open included.
    installTerminationHandlers();
    return runDemo();
}
