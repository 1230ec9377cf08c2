// SPDX-License-Identifier: MIT
#include "platform/x11_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

namespace {
bool x11Info(SDL_Window* window, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11;
}
}  // namespace

bool x11ServerIsXWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return false;
    // XWayland announces itself with an extension of its name. A connection
    // of our own: SDL keeps its display to itself until a window exists.
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int opcode = 0, event = 0, error = 0;
    bool xwayland = XQueryExtension(display, "XWAYLAND", &opcode, &event, &error);
    // Before that extension (XWayland 23), its outputs' names give it away:
    // XWAYLAND0, XWAYLAND1...
    if (!xwayland && XQueryExtension(display, "RANDR", &opcode, &event, &error)) {
        if (XRRScreenResources* screen = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display))) {
            for (int i = 0; i < screen->noutput && !xwayland; ++i) {
                if (XRROutputInfo* output = XRRGetOutputInfo(display, screen, screen->outputs[i])) {
                    xwayland = output->name && std::strncmp(output->name, "XWAYLAND", 8) == 0;
                    XRRFreeOutputInfo(output);
                }
            }
            XRRFreeScreenResources(screen);
        }
    }
    XCloseDisplay(display);
    return xwayland;
}

bool mapX11WindowWithin(SDL_Window* window, int milliseconds) {
    SDL_SysWMinfo info;
    if (!x11Info(window, info)) return true;
    Display* display = info.info.x11.display;
    const Window handle = info.info.x11.window;
    XMapRaised(display, handle);
    XFlush(display);
    // Poll the map state: the events stay queued for SDL, which turns the
    // map into its own "shown" event.
    const Uint64 deadline = SDL_GetTicks64() + Uint64(milliseconds);
    for (;;) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, handle, &attributes) && attributes.map_state == IsViewable) return true;
        if (SDL_GetTicks64() >= deadline) return false;
        SDL_Delay(5);
    }
}
