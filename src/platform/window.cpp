// SPDX-License-Identifier: MIT
#include "platform/window.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/message_box.h"

uint8_t fullscreen = 1;

namespace {
// What is open, so closeWindow can take down exactly that. `videoUp` plays the
// part of the registered window class: the window system connection.
bool videoUp = false;
SDL_Window* windowHandle = nullptr;
SDL_GLContext renderingContext = nullptr;
bool screenSaverDisabled = false;

constexpr unsigned errorStyle = MB_OK | MB_ICONEXCLAMATION;
constexpr unsigned shutdownStyle = MB_OK | MB_ICONINFORMATION;

// The library's reason goes to stderr beside the box, which only has the
// program's own words.
void reportSdlError(const char* step) { std::fprintf(stderr, "%s: %s\n", step, SDL_GetError()); }

void requestPixelFormat(int bits) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // RGBA with at least `bits` colour bits; the display decides how many more.
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, bits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    // Fixed-function drawing and display lists: a compatibility context,
    // never a core profile.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// SDL chooses the pixel format when it creates a GL window, so a display with
// no fitting format shows up as a failed window. Whether a plain window can be
// made tells the two failures apart.
const char* windowFailureText() {
    const std::string reason = SDL_GetError();  // the GL window's, for stderr
    SDL_Window* plain = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (plain) SDL_DestroyWindow(plain);
    SDL_SetError("%s", reason.c_str());
    return plain ? "Can't Find A Suitable PixelFormat." : "Window Creation Error.";
}

enum class FullscreenResult { inForce, modeRefused, noWindow };

// The fullscreen switch: a fullscreen window asking for a width x height mode.
// SDL does not say when the display refuses the mode (it keeps the desktop
// size), so the mode in force afterwards is what tells (fullscreenModeGranted).
FullscreenResult createFullscreenWindow(const char* title, int width, int height, int bits) {
    SDL_Window* window =
        SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_HIDDEN);
    if (!window) return FullscreenResult::noWindow;
    SDL_DisplayMode request{};
    request.format = bits <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    request.w = width;
    request.h = height;
    SDL_SetWindowDisplayMode(window, &request);
    // The mode changes when the fullscreen window appears.
    SDL_ShowWindow(window);

    FullscreenFacts facts{};
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0) {
        facts.displayWidth = mode.w;
        facts.displayHeight = mode.h;
    }
    if (SDL_GetWindowDisplayMode(window, &mode) == 0) {
        facts.windowModeWidth = mode.w;
        facts.windowModeHeight = mode.h;
    }
    facts.windowIsFullscreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    SDL_GL_GetDrawableSize(window, &facts.drawableWidth, &facts.drawableHeight);
    if (!fullscreenModeGranted(facts, width, height)) {
        // Destroying the window puts the desktop mode back.
        SDL_DestroyWindow(window);
        return FullscreenResult::modeRefused;
    }
    windowHandle = window;
    return FullscreenResult::inForce;
}

bool failOpen(const char* text) {
    reportSdlError(text);
    closeWindow();
    showMessageBox(text, "ERROR", errorStyle);
    return false;
}
}  // namespace

bool fullscreenModeGranted(const FullscreenFacts& facts, int width, int height) {
    // A display that really switched (X11 with the mode, XWayland's
    // per-client emulation).
    if (facts.displayWidth == width && facts.displayHeight == height) return true;
    // A mode granted by scaling (SDL on Wayland): the display keeps the
    // desktop's mode, while the fullscreen window is in the asked mode and
    // draws exactly that many pixels, which the compositor stretches. On a
    // refusal the window's mode is the closest larger one and its drawable
    // covers the desktop, so both must agree.
    return facts.windowIsFullscreen && facts.windowModeWidth == width && facts.windowModeHeight == height &&
           facts.drawableWidth == width && facts.drawableHeight == height;
}

bool openWindow(const char* title, int width, int height, int bits, uint8_t fullscreenRequest) {
    fullscreen = fullscreenRequest;

    // Keep the window and its mode when focus goes elsewhere (a fullscreen
    // window would otherwise minimise and drop the mode), and let closing the
    // window reach the program as a close message only.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");

    if (!videoUp) {
        if (!startVideoOnDisplay()) {
            reportSdlError("window system");
            showMessageBox("Failed To Register The Window Class.", "ERROR", errorStyle);
            return false;
        }
        videoUp = true;
    }

    requestPixelFormat(bits);

    if (fullscreen) {
        const FullscreenResult result = createFullscreenWindow(title, width, height, bits);
        if (result == FullscreenResult::noWindow) return failOpen(windowFailureText());
        if (result == FullscreenResult::inForce) {
            SDL_ShowCursor(SDL_DISABLE);
        } else {
            const int answer = showMessageBox(
                "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                "Vopa GL", MB_YESNO | MB_ICONEXCLAMATION);
            if (answer != IDYES) {
                showMessageBox("Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
                return false;
            }
            fullscreen = 0;
        }
    }

    if (!fullscreen) {
        // A framed, resizable window whose client area is width x height, at
        // the top-left corner of the screen (there may be no window manager
        // to place it).
        windowHandle = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
        if (!windowHandle) return failOpen(windowFailureText());
    }

    renderingContext = SDL_GL_CreateContext(windowHandle);
    if (!renderingContext) return failOpen("Can't Create A GL Rendering Context.");
    if (SDL_GL_MakeCurrent(windowHandle, renderingContext) != 0)
        return failOpen("Can't Activate The GL Rendering Context.");

    SDL_ShowWindow(windowHandle);
    SDL_RaiseWindow(windowHandle);
    // Neither the screen saver nor monitor power-down while the demo runs.
    SDL_DisableScreenSaver();
    screenSaverDisabled = true;
    return true;
}

void closeWindow() {
    if (fullscreen && windowHandle) {
        // Back to the desktop mode before anything else goes.
        SDL_SetWindowFullscreen(windowHandle, 0);
    }
    if (fullscreen && videoUp) SDL_ShowCursor(SDL_ENABLE);

    if (renderingContext) {
        if (SDL_GL_MakeCurrent(windowHandle, nullptr) != 0)
            showMessageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", shutdownStyle);
        SDL_GL_DeleteContext(renderingContext);
        renderingContext = nullptr;
    }

    if (windowHandle) {
        SDL_DestroyWindow(windowHandle);
        windowHandle = nullptr;
    }

    if (videoUp) {
        if (screenSaverDisabled) SDL_EnableScreenSaver();
        screenSaverDisabled = false;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoUp = false;
    }
}

void swapWindowBuffers() {
    if (windowHandle) SDL_GL_SwapWindow(windowHandle);
}

bool windowIsOpen() { return windowHandle != nullptr && renderingContext != nullptr; }

void windowDrawableSize(int& width, int& height) {
    if (!windowHandle) return;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(windowHandle, &w, &h);
    if (w > 0 && h > 0) {
        width = w;
        height = h;
    }
}
