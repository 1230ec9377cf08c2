// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/message_box.h"

namespace {
// The styles the program shows and the one icon each must give.
struct StyleCase {
    unsigned style;
    uint32_t flags;
    const char* zenityIcon;
};
const StyleCase styles[] = {
    {MB_OK, 0, nullptr},
    {MB_OK | MB_ICONEXCLAMATION, SDL_MESSAGEBOX_WARNING, "dialog-warning"},
    {MB_YESNO | MB_ICONEXCLAMATION, SDL_MESSAGEBOX_WARNING, "dialog-warning"},
    {MB_OK | MB_ICONSTOP, SDL_MESSAGEBOX_ERROR, "dialog-error"},
    {MB_ICONERROR, SDL_MESSAGEBOX_ERROR, "dialog-error"},
    {MB_OK | MB_ICONINFORMATION, SDL_MESSAGEBOX_INFORMATION, "dialog-information"},
};
}  // namespace

TEST(MessageBoxFlags, EachStyleGivesItsIconAndNoOtherBit) {
    for (const StyleCase& c : styles) {
        SCOPED_TRACE(testing::Message() << "style 0x" << std::hex << c.style);
        EXPECT_EQ(messageBoxFlags(c.style), c.flags);
    }
}

// On Wayland SDL's boxes are zenity dialogs. A zenity of our own on PATH
// records what SDL asks of it: the icon must be the style's, for the
// question as for the plain boxes.
TEST(MessageBoxFlags, ZenityShowsTheStylesIcon) {
    char folder[] = "/tmp/glimmer-zenity-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string script = std::string(folder) + "/zenity";
    const std::string record = std::string(folder) + "/arguments";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\necho \"$@\" > '" << record << "'\necho Yes\n";
    }
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);

    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string savedDisplay = oldDisplay ? oldDisplay : "";
    setenv("PATH", (std::string(folder) + ":" + oldPath).c_str(), 1);
    unsetenv("DISPLAY");  // no X11 box: SDL turns to zenity

    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    for (const StyleCase& c : styles) {
        if (!c.zenityIcon) continue;
        SCOPED_TRACE(c.zenityIcon);
        unlink(record.c_str());
        SDL_MessageBoxData data{};
        data.flags = messageBoxFlags(c.style);
        data.title = "ERROR";
        data.message = "Program Will Now Close.";
        data.numbuttons = 2;
        data.buttons = buttons;
        int answer = -1;
        ASSERT_EQ(SDL_ShowMessageBox(&data, &answer), 0) << SDL_GetError();
        std::ifstream in(record);
        std::stringstream arguments;
        arguments << in.rdbuf();
        EXPECT_NE(arguments.str().find(std::string("--icon-name ") + c.zenityIcon), std::string::npos)
            << "zenity was run with: " << arguments.str();
        // The buttons keep their order: Yes first.
        EXPECT_NE(arguments.str().find("--extra-button Yes --extra-button No"), std::string::npos) << arguments.str();
    }

    setenv("PATH", oldPath.c_str(), 1);
    if (oldDisplay) setenv("DISPLAY", savedDisplay.c_str(), 1);
    unlink(record.c_str());
    unlink(script.c_str());
    rmdir(folder);
}
