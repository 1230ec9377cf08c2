// SPDX-License-Identifier: MIT
// Reads uncompressed (type 2) and run-length encoded (type 10) true-colour
// TGA pictures of 24 or 32 bits into a TextureImage. Every failure shows one
// message box and leaves the image without pixels.
#pragma once

#include <cstdint>
#include <cstdio>

#include "assets/texture_image.h"

bool loadTga(TextureImage& image, const char* path);
// loadTga after the open: reads from the start of an open file (a real file,
// or memory through fmemopen for the fuzzer) and closes it on every path.
bool readTga(TextureImage& image, std::FILE* file);
// Each reads from offset 12 of the open file and closes it on every path.
bool loadUncompressedTga(TextureImage& image, std::FILE* file);
bool loadCompressedTga(TextureImage& image, std::FILE* file);

// The largest pixel buffer, in bytes, that the decoders ask for; a bigger
// image is handled as an allocation that failed ("Could not allocate memory
// for image"). It starts at the largest size a header can declare
// (4 x 65535 x 65535), so it limits nothing; tests lower it to exercise the
// allocation failure. Nothing is reserved for a picture that the rest of the
// file cannot hold (raw: its bytes; run-length: 128 pixels per packet): such
// a file ends with the message of where its data runs out, so a small file
// never reserves what its header claims.
extern uint64_t tgaPixelBufferLimit;

// The widest and tallest picture taken, known before any pixel is reserved:
// a larger one is refused with "Invalid texture information" (stderr gives
// its size and the limit). The cap, 4096, keeps the largest picture at 64 MB
// of pixels whatever its header claims, and is what the capture and the
// tools use; the texture bank lowers the limit to the GL driver's
// GL_MAX_TEXTURE_SIZE while it loads, when that is smaller, so that no
// picture is read only for the driver to refuse it.
constexpr uint32_t tgaSideCap = 4096;
extern uint32_t tgaSideLimit;
