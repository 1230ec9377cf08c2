// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/device_check.h"
#include "support/xvfb_server.h"

namespace {
// The environment the check reads, put back after each test.
class DeviceCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "SDL_AUDIODRIVER"})
            if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "SDL_AUDIODRIVER"}) unsetenv(name);
        for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> saved;
};
}  // namespace

// A stale DISPLAY (or none) is no display, whatever the environment says; a
// sound driver chosen on purpose counts as a sound device.
TEST_F(DeviceCheckTest, ADisplayMustReallyOpen) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("DISPLAY", ":1999", 1);  // names no server
    const DeviceCheck stale = checkDevices();
    EXPECT_FALSE(stale.display);
    EXPECT_NE(stale.displayReason.find(":1999"), std::string::npos) << stale.displayReason;
    EXPECT_TRUE(stale.sound) << stale.soundReason;
    EXPECT_EQ(describeDeviceCheck(stale), "display: no (" + stale.displayReason + ")\nsound: yes\n");

    XvfbServer server("640x480x24");
    if (!server.running()) GTEST_SKIP() << server.why();
    setenv("DISPLAY", server.display().c_str(), 1);
    const DeviceCheck real = checkDevices();
    EXPECT_TRUE(real.display) << real.displayReason;
    EXPECT_TRUE(real.sound);
    EXPECT_EQ(describeDeviceCheck(real), "display: yes\nsound: yes\n");
}

// Without any sound driver that opens, the sound device is missing and the
// reason is given; the check never settles for a silent driver by itself.
TEST_F(DeviceCheckTest, NoSoundDeviceIsSaid) {
    setenv("SDL_AUDIODRIVER", "disk_nonexistent_driver", 1);
    const DeviceCheck check = checkDevices();
    EXPECT_FALSE(check.sound);
    EXPECT_FALSE(check.soundReason.empty());
    EXPECT_FALSE(check.display);
}
