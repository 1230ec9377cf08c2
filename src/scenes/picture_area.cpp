// SPDX-License-Identifier: MIT
#include "scenes/picture_area.h"

#include <algorithm>
#include <cmath>

#include "state/run_state.h"

PictureArea pictureAreaFor(int drawableWidth, int drawableHeight) {
    const int w = std::max(drawableWidth, 1);
    const int h = std::max(drawableHeight, 1);
    PictureArea area{0, 0, w, h};
    // Compared in integers so that an exact 4:3 drawable is never trimmed by
    // a rounding step.
    const long wide = long(w) * screenHeight;
    const long tall = long(h) * screenWidth;
    if (wide > tall) {
        area.width = std::max(1, int(std::lround(double(h) * screenWidth / screenHeight)));
        area.x = (w - area.width) / 2;
    } else if (wide < tall) {
        area.height = std::max(1, int(std::lround(double(w) * screenHeight / screenWidth)));
        area.y = (h - area.height) / 2;
    }
    return area;
}
