// Two translucent bars in the bottom-right corner following the music's
// left and right output level, drawn over every frame.
#pragma once

void drawLevelMeter();
