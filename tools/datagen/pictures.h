// SPDX-License-Identifier: MIT
// The ten pictures of the data set: three textures the scenes map onto
// surfaces and seven slides shown full screen.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "text.h"

// How one picture is stored: its file name, size, depth and TGA type.
struct PictureFile {
    std::string name;
    int width;
    int height;
    int bitsPerPixel;
    bool runLengthEncoded;
};

// The pictures in the order the texture bank reads them.
const std::vector<PictureFile>& pictureFiles();

// The picture of one file, ready to write (rows bottom first). An empty
// picture (width 0) when the painter is not ready or the name is unknown.
TgaPicture paintPicture(const PictureFile& file, TextPainter& painter);

// The level meter's two bars stand in the bottom-right corner of the
// screen, up to 129 pixels tall; every slide keeps at least this much of
// that corner (screen pixels at 640x480) free of text and panel edges, so
// that the bars read over a calm background.
constexpr int meterCornerWidth = 70;
constexpr int meterCornerHeight = 150;

// The 4:3 canvas a slide is authored on: twice the 640x480 screen.
constexpr int slideCanvasWidth = 1280;
constexpr int slideCanvasHeight = 960;
