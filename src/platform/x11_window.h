// SPDX-License-Identifier: MIT
// What SDL leaves out on X11: whether the X server is XWayland (whose mode
// switches are only imitated, the compositor stretching the picture), and
// showing a window with a time limit on the window manager's answer.
#pragma once

struct SDL_Window;

// True when SDL's video runs on X11 served by XWayland.
bool x11ServerIsXWayland();

// Maps the window and waits up to `milliseconds` for the window manager to
// show it, so that SDL's own show, which waits for that without limit, finds
// it shown and returns at once. True when shown (or not an X11 window: there
// is nothing to wait for); false when the time ran out.
bool mapX11WindowWithin(SDL_Window* window, int milliseconds);
