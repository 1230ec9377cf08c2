// SPDX-License-Identifier: MIT
#include "platform/display.h"

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

bool startVideoOnDisplay() {
    // Wayland only where a compositor could be: without a runtime folder its
    // client library just complains on stderr.
    const bool waylandPossible = SDL_getenv("WAYLAND_DISPLAY") || SDL_getenv("XDG_RUNTIME_DIR");
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    std::vector<std::string> candidates = {"x11"};
    if (waylandPossible) {
        if (wanted && std::strcmp(wanted, "wayland") == 0)
            candidates.insert(candidates.begin(), "wayland");
        else
            candidates.push_back("wayland");
    }

    // SDL only says that a driver is "not available"; the user needs to
    // know which display could not be opened.
    const char* x11Display = SDL_getenv("DISPLAY");
    const char* waylandDisplay = SDL_getenv("WAYLAND_DISPLAY");
    std::string reasons;
    for (const std::string& driver : candidates) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        if (!reasons.empty()) reasons += "; ";
        if (driver == "x11" && x11Display && *x11Display)
            reasons += "x11: the X display \"" + std::string(x11Display) + "\" could not be opened";
        else if (driver == "wayland")
            reasons += "wayland: the Wayland display \"" +
                       std::string(waylandDisplay && *waylandDisplay ? waylandDisplay : "wayland-0") +
                       "\" could not be opened";
        else
            reasons += driver + ": " + SDL_GetError();
    }
    if (!x11Display || !*x11Display) reasons += "; DISPLAY is not set";
    SDL_SetError("no display to open a window on (%s)", reasons.c_str());
    return false;
}
