// A figure blending between two poses under a moving light with its marker.
#pragma once

int setupMorphScene();
void drawMorphFrame();
void releaseMorphModels();
