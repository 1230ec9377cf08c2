// Two translucent bars in the bottom-right corner following the music's
// left and right output level, drawn over every frame.
#pragma once

#include <cstdint>

void drawLevelMeter();

// Where the meter reads the packed level from (left in the low, right in the
// high 16 bits). The music's current level by default; tests put in a fixed
// level. nullptr puts the music back.
using LevelSource = uint32_t (*)();
void setLevelSource(LevelSource source);
