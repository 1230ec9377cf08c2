// SPDX-License-Identifier: MIT
// Where the 4:3 picture goes in a drawable of any shape: the largest 4:3
// rectangle that fits, centred, with black bars on the two sides left over.
// A 4:3 drawable (the 640x480 mode, any capture size) is filled whole.
#pragma once

struct PictureArea {
    int x, y;           // lower-left corner in GL window coordinates
    int width, height;  // at least one pixel each
};

PictureArea pictureAreaFor(int drawableWidth, int drawableHeight);
