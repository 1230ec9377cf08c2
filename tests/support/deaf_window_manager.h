// SPDX-License-Identifier: MIT
// A window manager that never answers: it takes the X server's map requests
// (redirecting them is what makes a client the window manager) and does
// nothing with them, so no other client's window is ever shown.
#pragma once

#include <string>

class DeafWindowManager {
public:
    explicit DeafWindowManager(const std::string& display);
    ~DeafWindowManager();
    DeafWindowManager(const DeafWindowManager&) = delete;
    DeafWindowManager& operator=(const DeafWindowManager&) = delete;
    bool running() const { return connection != nullptr; }

private:
    void* connection = nullptr;  // the Xlib display
};
