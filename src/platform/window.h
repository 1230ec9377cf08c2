// The one window and its OpenGL context (SDL2): fullscreen 640x480 with the
// windowed-mode question when the display refuses the mode, the pixel format
// request, resize and tear-down.
#pragma once

#include <cstdint>

extern uint8_t fullscreen;  // requested / in force; read by closeWindow

bool openWindow(const char* title, int width, int height, int bits, uint8_t fullscreenRequest);
void closeWindow();
void resizeViewport(int width, int height);
// How many times resizeViewport has replaced the projection: a slide showing
// across a size message puts its own flat projection back when this moves.
uint32_t viewportChangeCount();

// Presents the frame drawn last (SwapBuffers); does nothing without a window.
void swapWindowBuffers();
bool windowIsOpen();
