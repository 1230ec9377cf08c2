// SPDX-License-Identifier: MIT
// Glimmervandra: a self-running real-time demo. It takes no command line.
#include "app/demo.h"
#include "platform/termination.h"

int main() {
    // SIGTERM and SIGINT end the demo cleanly in every state, a message box
    // open included.
    installTerminationHandlers();
    return runDemo();
}
