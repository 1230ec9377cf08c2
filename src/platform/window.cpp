// SPDX-License-Identifier: MIT
#include "platform/window.h"

#include <SDL.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/message_box.h"
#include "platform/x11_window.h"

uint8_t fullscreen = 1;

namespace {
// What is open, so closeWindow can take down exactly that. `videoUp` plays the
// part of the registered window class: the window system connection.
bool videoUp = false;
SDL_Window* windowHandle = nullptr;
SDL_GLContext renderingContext = nullptr;
bool screenSaverDisabled = false;
DisplayChoice displayChoice = DisplayChoice::automatic;
// The display's mode was switched for the window (not only its size):
// closeWindow leaves fullscreen first so the desktop gets its mode back.
bool modeSwitched = false;
// The cursor was hidden and is shown again by closeWindow.
bool cursorHidden = false;

// How long the window manager or compositor may take: to show a window,
// and to answer a fullscreen request.
constexpr int showWithinMilliseconds = 10000;
constexpr int fullscreenAnswerMilliseconds = 3000;

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

// noWindow: SDL made none (its error says why); notShown: the window
// manager did not show it in time.
enum class FullscreenResult { inForce, modeRefused, noWindow, notShown };

// What SDL says of a window now.
FullscreenFacts factsOf(SDL_Window* window) {
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
    return facts;
}

// Shows the window without waiting for ever on the window manager (SDL's X11
// show waits for its answer without a limit); false with SDL's error set
// when it did not show the window in time.
bool showWindowBounded(SDL_Window* window) {
    if (!mapX11WindowWithin(window, showWithinMilliseconds)) {
        SDL_SetError("the window manager did not show the window within %d s", showWithinMilliseconds / 1000);
        return false;
    }
    SDL_ShowWindow(window);
    return true;
}

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
    if (!showWindowBounded(window)) {
        SDL_DestroyWindow(window);
        return FullscreenResult::notShown;
    }

    const FullscreenFacts facts = factsOf(window);
    if (!fullscreenModeGranted(facts, width, height)) {
        // Destroying the window puts the desktop mode back.
        SDL_DestroyWindow(window);
        return FullscreenResult::modeRefused;
    }
    windowHandle = window;
    modeSwitched = true;
    return FullscreenResult::inForce;
}

// Fullscreen in the desktop's own mode: nothing to switch, the window
// covers the output and the picture is drawn at the output's pixels. The
// window comes with its context, since the compositor's answer may need a
// frame shown first.
FullscreenResult createDesktopWindow(const char* title, int width, int height) {
    SDL_Window* window = SDL_CreateWindow(
        title, 0, 0, width, height,
        SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
    if (!window) return FullscreenResult::noWindow;
    // A context that cannot be made is the caller's to report, on the
    // window that is kept.
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context || SDL_GL_MakeCurrent(window, context) != 0) {
        windowHandle = window;
        renderingContext = context;
        return FullscreenResult::inForce;
    }
    if (!showWindowBounded(window)) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        return FullscreenResult::notShown;
    }
    const bool granted = waitForFullscreen([window] { return desktopFullscreenGranted(factsOf(window)); },
                                           [window] {
                                               glClearColor(0.0f, 0.0f, 0.0f, 0.0f);  // black: GL's initial value, kept
                                               glClear(GL_COLOR_BUFFER_BIT);
                                               SDL_GL_SwapWindow(window);
                                               SDL_PumpEvents();
                                           },
                                           fullscreenAnswerMilliseconds);
    if (!granted) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        return FullscreenResult::modeRefused;
    }
    windowHandle = window;
    renderingContext = context;
    return FullscreenResult::inForce;
}

bool failOpen(const char* text) {
    reportSdlError(text);
    closeWindow();
    showMessageBox(text, "ERROR", errorStyle);
    return false;
}
}  // namespace

void chooseDisplay(DisplayChoice choice) { displayChoice = choice; }

bool displaySwitchesModes() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "x11") == 0 && !x11ServerIsXWayland();
}

bool desktopFullscreenGranted(const FullscreenFacts& facts) {
    // The compositor made the window fullscreen: it covers the output at the
    // desktop's mode, whatever size it has in points.
    return facts.windowIsFullscreen && facts.drawableWidth > 0 && facts.drawableHeight > 0;
}

bool waitForFullscreen(const std::function<bool()>& granted, const std::function<void()>& presentFrame,
                       int milliseconds) {
    const Uint64 deadline = SDL_GetTicks64() + Uint64(std::max(milliseconds, 0));
    for (;;) {
        if (granted()) return true;
        if (SDL_GetTicks64() >= deadline) return false;
        presentFrame();
        SDL_Delay(10);
    }
}

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

    DisplayChoice choice = displayChoice;
    if (choice == DisplayChoice::window) fullscreen = 0;
    if (fullscreen) {
        const bool switches = displaySwitchesModes();
        if (choice == DisplayChoice::automatic) choice = switches ? DisplayChoice::mode : DisplayChoice::desktop;
        // A mode switch that could only be imitated (the compositor stretching
        // the picture over the output) counts as refused.
        FullscreenResult result = FullscreenResult::modeRefused;
        if (choice == DisplayChoice::desktop)
            result = createDesktopWindow(title, width, height);
        else if (switches)
            result = createFullscreenWindow(title, width, height, bits);
        if (result == FullscreenResult::noWindow) return failOpen(windowFailureText());
        if (result == FullscreenResult::notShown) return failOpen("Window Creation Error.");
        if (result == FullscreenResult::inForce) {
            SDL_ShowCursor(SDL_DISABLE);
            cursorHidden = true;
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
        // to place it), drawn at the output's pixel density.
        windowHandle =
            SDL_CreateWindow(title, 0, 0, width, height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
        if (!windowHandle) return failOpen(windowFailureText());
    }

    if (!renderingContext) renderingContext = SDL_GL_CreateContext(windowHandle);
    if (!renderingContext) return failOpen("Can't Create A GL Rendering Context.");
    if (SDL_GL_MakeCurrent(windowHandle, renderingContext) != 0)
        return failOpen("Can't Activate The GL Rendering Context.");

    if (!showWindowBounded(windowHandle)) return failOpen("Window Creation Error.");
    SDL_RaiseWindow(windowHandle);
    // Neither the screen saver nor monitor power-down while the demo runs.
    SDL_DisableScreenSaver();
    screenSaverDisabled = true;
    return true;
}

void closeWindow() {
    // The cursor comes back first. Leaving fullscreen makes SDL put the
    // pointer back where it was; on Wayland, with the cursor hidden, SDL 2.26
    // imitates that move with a pointer lock, and showing the cursor
    // afterwards releases a relative pointer it never made (a crash on exit
    // on GNOME whenever the pointer was over the picture). With the cursor
    // shown, the move is simply not made.
    if (cursorHidden && videoUp) SDL_ShowCursor(SDL_ENABLE);
    cursorHidden = false;
    if (modeSwitched && windowHandle) {
        // Back to the desktop mode before anything else goes. Only a real
        // switch is undone: a desktop-mode window leaves with the window.
        SDL_SetWindowFullscreen(windowHandle, 0);
    }
    modeSwitched = false;

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
