// SPDX-License-Identifier: MIT
// Two translucent bars in the bottom-right corner following the music's
// left and right output level, drawn over every frame.
#pragma once

#include <cstdint>

// `level` is packed as the sound layer gives it: left in the low, right in
// the high 16 bits, each 0..128.
void drawLevelMeter(uint32_t level);
