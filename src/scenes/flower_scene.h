// The flower over a rippling, textured grid, lit by a colour-cycling light.
#pragma once

int setupFlowerScene();
int drawFlowerFrame();
void computeGridNormals();
void crossProduct(const float a[3], const float b[3], float r[3]);
float normalizeVector(float v[3]);
