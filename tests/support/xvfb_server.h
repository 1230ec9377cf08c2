// SPDX-License-Identifier: MIT
// A private X server (Xvfb) for the tests that need a real display: started
// on a free display number of its own choosing, so tests running in parallel
// never meet, and stopped when the object goes.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

class XvfbServer {
public:
    // screen is Xvfb's -screen 0 argument, e.g. "640x480x16"; extra
    // arguments go to Xvfb as they are (e.g. "-extension", "GLX").
    explicit XvfbServer(const std::string& screen, const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False when Xvfb is not installed or did not come up; why() says which.
    bool running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& why() const { return why_; }
    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string why_;
};
