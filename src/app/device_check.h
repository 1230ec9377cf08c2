// SPDX-License-Identifier: MIT
// Whether the demo can be watched here: a display that really opens and a
// sound device that really opens (the checks the demo's start-up makes,
// without a window or a sound). For scripts that choose between the demo and
// a rendered video.
#pragma once

#include <string>

struct DeviceCheck {
    bool display = false;
    bool sound = false;
    std::string displayReason;  // why not, when not
    std::string soundReason;
};

DeviceCheck checkDevices();

// One line for each: "display: yes" or "display: no (reason)", the same for
// sound.
std::string describeDeviceCheck(const DeviceCheck& check);
