// SPDX-License-Identifier: MIT
#include "support/deaf_window_manager.h"

#include <X11/Xlib.h>

DeafWindowManager::DeafWindowManager(const std::string& display) {
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return;
    XSelectInput(x, DefaultRootWindow(x), SubstructureRedirectMask);
    XSync(x, False);
    connection = x;
}

DeafWindowManager::~DeafWindowManager() {
    if (connection) XCloseDisplay(static_cast<Display*>(connection));
}
