// SPDX-License-Identifier: MIT
// The application icon, drawn from the title picture's own art: the first
// letter of "Glimmervandra" in the title's bold italic serif, glowing pink
// over the title's night sky and aurora, on a rounded tile. The same shapes
// give the raster icons (any size) and the scalable SVG, so the two match.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

// One step of a letter outline in icon units: the unit square, y down.
struct PathStep {
    enum Kind { Move, Line, Quad, Cubic } kind;
    Point2 points[3];  // Move/Line: [0]; Quad: control, end; Cubic: two controls, end
};

struct LetterShape {
    std::vector<PathStep> steps;                   // closed contours, each begun by a Move
    float minX = 0, minY = 0, maxX = 0, maxY = 0;  // of the flattened outline
};

// The title's "G", placed on the tile. False with a reason when the font
// (fonts-liberation2) or FreeType is missing.
bool loadTitleLetter(LetterShape& letter, std::string& error);

// Closed polygons of the outline, curves cut into straight pieces.
std::vector<std::vector<Point2>> flattenLetter(const LetterShape& letter);

// Nonzero-winding coverage (0..1) of the letter on a size x size grid,
// rows top first.
std::vector<float> rasteriseLetter(const LetterShape& letter, int size);

// The icon at size x size pixels, straight alpha, transparent around the tile.
Canvas paintIcon(const LetterShape& letter, int size);

// The same picture as an SVG document (256 user units square).
std::string iconSvg(const LetterShape& letter);

// 8-bit RGBA PNG with no time stamp, so equal pictures give equal files.
bool writeIconPng(const std::string& path, const Canvas& canvas, std::string& error);

// The hicolor sizes the icon is installed at.
const std::vector<int>& iconSizes();
