// SPDX-License-Identifier: MIT
// The one window and its OpenGL context (SDL2): fullscreen with the
// windowed-mode question when the display refuses the mode, the pixel format
// request and tear-down. The viewport is the caller's to set.
#pragma once

#include <cstdint>
#include <functional>

extern uint8_t fullscreen;  // requested / in force; read by closeWindow

// Where a fullscreen request puts the picture.
enum class DisplayChoice {
    automatic,  // mode where the display really switches modes, else desktop
    mode,       // the display switched to width x height; the question when it cannot
    desktop,    // the desktop's own mode, the 4:3 picture centred with bars
    window,     // a window of width x height, no fullscreen and no question
};
// Chosen before openWindow (the command line); automatic until then.
void chooseDisplay(DisplayChoice choice);
// Whether the display can really switch modes: X11 served by a real X
// server. Wayland compositors and XWayland only imitate a switch by
// stretching the picture over the output. Needs SDL video up.
bool displaySwitchesModes();

bool openWindow(const char* title, int width, int height, int bits, uint8_t fullscreenRequest);
void closeWindow();

// What the display says after the fullscreen window appeared.
struct FullscreenFacts {
    int displayWidth, displayHeight;        // the display's mode now in force
    int windowModeWidth, windowModeHeight;  // the mode SDL gave the window
    int drawableWidth, drawableHeight;      // pixels the GL context draws
    bool windowIsFullscreen;
};
// Whether a width x height fullscreen mode is in force, switched by the
// display or emulated for the window; false is the refusal that asks the
// windowed-mode question.
bool fullscreenModeGranted(const FullscreenFacts& facts, int width, int height);

// Whether a desktop-mode fullscreen window was granted.
bool desktopFullscreenGranted(const FullscreenFacts& facts);

// Waits for the compositor's answer to a fullscreen request: asks
// `granted`, and while the answer is no, presents a frame (some compositors,
// sway among them, apply fullscreen only to a surface that has shown one;
// the caller also takes in the window system's events there) and asks
// again, up to `milliseconds`. True as soon as
// `granted` says yes; false when the time ran out.
bool waitForFullscreen(const std::function<bool()>& granted, const std::function<void()>& presentFrame,
                       int milliseconds);

// Presents the frame drawn last (SwapBuffers); does nothing without a window.
void swapWindowBuffers();
bool windowIsOpen();
// The pixels the GL context draws, which on a high-density output are more
// than the window's size in points; unchanged without a window.
void windowDrawableSize(int& width, int& height);
