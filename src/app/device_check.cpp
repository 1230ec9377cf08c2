// SPDX-License-Identifier: MIT
#include "app/device_check.h"

#include <SDL.h>

#include "platform/display.h"
#include "platform/sound.h"

DeviceCheck checkDevices() {
    DeviceCheck check;
    check.display = startVideoOnDisplay();
    if (check.display)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    else
        check.displayReason = SDL_GetError();
    check.sound = soundOpenDevice();
    if (check.sound)
        soundClose();
    else
        check.soundReason = soundLastError();
    return check;
}

std::string describeDeviceCheck(const DeviceCheck& check) {
    auto line = [](const char* what, bool yes, const std::string& reason) {
        return std::string(what) + (yes ? ": yes\n" : ": no (" + reason + ")\n");
    };
    return line("display", check.display, check.displayReason) + line("sound", check.sound, check.soundReason);
}
