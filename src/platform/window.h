// SPDX-License-Identifier: MIT
// The one window and its OpenGL context (SDL2): fullscreen with the
// windowed-mode question when the display refuses the mode, the pixel format
// request and tear-down. The viewport is the caller's to set.
#pragma once

#include <cstdint>

extern uint8_t fullscreen;  // requested / in force; read by closeWindow

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

// Presents the frame drawn last (SwapBuffers); does nothing without a window.
void swapWindowBuffers();
bool windowIsOpen();
// The pixels the GL context draws, which on a high-density output are more
// than the window's size in points; unchanged without a window.
void windowDrawableSize(int& width, int& height);
