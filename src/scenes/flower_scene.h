// SPDX-License-Identifier: MIT
// The flower over a rippling, textured grid, lit by a colour-cycling light.
#pragma once

#include "scenes/scene.h"

#include <cstdint>

int setupFlowerScene();
int drawFlowerFrame();
void computeGridNormals();
void crossProduct(const float a[3], const float b[3], float r[3]);
float normalizeVector(float v[3]);

// The scene as the timeline's row holds it. Its tear-down destroys the
// flower's model (modelA) when it holds one and clears the pointer; its
// reset forgets the grid, so that a run whose set-up fails draws none.
Scene flowerScene();

// Points per side of the grid.
constexpr int gridSize = 90;

// The surface, indexed [row i (along x)][column j (along y)], each point x,
// y, z. Built by the set-up; the frame rewrites z while the surface ripples.
extern float grid[gridSize][gridSize][3];

// Per cell (i, j) two normals as signed bytes: A (triangle P, Q, R) then B
// (triangle Q, S, R), with P = grid[i][j], Q = grid[i+1][j], R = grid[i][j+1],
// S = grid[i+1][j+1].
extern int8_t gridNormals[gridSize - 1][gridSize - 1][6];

// True once a set-up has built the grid; a failed set-up leaves it false and
// the frame then leaves the grid out.
bool flowerGridBuilt();

// The background of the gentle show at the given angle and flash level: the
// slow colour cycle, and for a flash one smooth swell towards a pale colour
// instead of the strobe.
struct GentleBackground {
    float red, green, blue;
};
GentleBackground gentleFlowerBackground(double angle, float flashLevel);
