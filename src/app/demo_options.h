// SPDX-License-Identifier: MIT
// The demo's command line: where it shows the picture, and the options
// every program takes. Run without options it does what it always did.
#pragma once

#include <string>

#include "app/command_line.h"
#include "platform/window.h"

struct DemoOptions : CommonOptions {
    DisplayChoice display = DisplayChoice::automatic;
    bool check = false;  // --check: say whether a display and a sound device open
};

// False with a message in `error` for a bad command line.
bool parseDemoOptions(int argc, char** argv, DemoOptions& options, std::string& error);

const char* demoUsage();
