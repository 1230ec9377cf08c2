// Reads uncompressed (type 2) and run-length encoded (type 10) true-colour
// TGA pictures of 24 or 32 bits into a TextureImage. Every failure shows one
// message box and leaves the image without pixels.
#pragma once

#include <cstdio>

#include "assets/texture_image.h"

bool loadTga(TextureImage& image, const char* path);
// Each reads from offset 12 of the open file and closes it on every path.
bool loadUncompressedTga(TextureImage& image, std::FILE* file);
bool loadCompressedTga(TextureImage& image, std::FILE* file);
