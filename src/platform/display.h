// SPDX-License-Identifier: MIT
// The connection to the window system, shared by the window and the
// message boxes.
#pragma once

// Starts SDL video on a real display (X11, or Wayland where a compositor may
// be), never on SDL's invisible drivers, which would let the demo run unseen.
// False with SDL's error naming the display that could not be opened.
bool startVideoOnDisplay();
