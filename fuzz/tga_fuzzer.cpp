// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the TGA loader as if they were a picture file.
// Besides the sanitizers' checks it holds the loader to its promises: one
// message for every refusal, none for a success, and a complete image only
// on success.
#include <cstdio>
#include <cstdlib>

#include "assets/tga.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    captureMessageBoxes(true);
    // The loader's own limits, as the demo runs it: a header may declare up
    // to 17 GB, and only what the input can hold may be reserved, so
    // libFuzzer's malloc limit catches any reservation a short input claims.
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = size > 0 ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::fopen("/dev/null", "rb");
    if (!file) return 0;
    TextureImage image;
    const bool loaded = readTga(image, file);
    const size_t messages = takeCapturedMessageBoxes().size();
    if (loaded != (image.pixels != nullptr)) std::abort();
    if (messages != (loaded ? 0u : 1u)) std::abort();
    if (loaded) {
        if (image.width == 0 || image.height == 0) std::abort();
        if (image.format != (image.bitsPerPixel == 32 ? GL_RGBA : GL_RGB)) std::abort();
        // Touch the last byte: the buffer must be as large as the image.
        const size_t last = size_t(image.width) * image.height * (image.bitsPerPixel / 8) - 1;
        volatile uint8_t byte = image.pixels[last];
        (void)byte;
    }
    return 0;
}
