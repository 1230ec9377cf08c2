// SPDX-License-Identifier: MIT
#include "app/demo_options.h"

#include <cstring>
#include <vector>

const char* demoUsage() {
    static const std::string text =
        std::string(
            "usage: glimmervandra [options]\n"
            "\n"
            "Plays the Glimmervandra demo, about 225 seconds of picture slides and 3D\n"
            "effects with music, fullscreen; Escape or closing the window ends it.\n"
            "\n"
            "  --display=MODE      where the picture goes:\n"
            "                        mode     switch the display to 640x480 (the default\n"
            "                                 on X11; asks about a window if the mode is\n"
            "                                 missing or could only be imitated)\n"
            "                        desktop  fullscreen in the desktop's own mode, the\n"
            "                                 4:3 picture centred with black bars and\n"
            "                                 drawn at the screen's pixels (the default\n"
            "                                 on Wayland, XWayland included)\n"
            "                        window   a 640x480 window; resized, the picture\n"
            "                                 keeps 4:3 with black bars\n"
            "  -w, --window        the same as --display=window\n"
            "  --check             say whether a display and a sound device open here, and\n"
            "                      exit: 0 when both do, 1 when not (scripts/run.sh uses it)\n") +
        commonOptionsHelp();
    return text.c_str();
}

bool parseDemoOptions(int argc, char** argv, DemoOptions& options, std::string& error) {
    enum Own { display, window, check };
    const std::vector<OptionDefinition> own = {{"display", 0, true}, {"window", 'w', false}, {"check", 0, false}};
    auto take = [&](size_t option, const char* value, std::string& message) {
        if (option == check) {
            options.check = true;
            return true;
        }
        if (option == window) {
            options.display = DisplayChoice::window;
            return true;
        }
        if (std::strcmp(value, "mode") == 0)
            options.display = DisplayChoice::mode;
        else if (std::strcmp(value, "desktop") == 0)
            options.display = DisplayChoice::desktop;
        else if (std::strcmp(value, "window") == 0)
            options.display = DisplayChoice::window;
        else {
            message = std::string("--display takes mode, desktop or window, not \"") + value + "\"";
            return false;
        }
        return true;
    };
    return parseCommandLine(argc, argv, own, options, take, error);
}
