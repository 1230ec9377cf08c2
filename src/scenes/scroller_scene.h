// Extruded outline letters riding a wave over a drifting picture.
#pragma once

int setupScrollerScene();
int drawScrollerFrame();
void deleteOutlineFont();
