// SPDX-License-Identifier: MIT
#include "tga_writer.h"

#include <cstdio>
#include <cstring>

namespace {

void putLittle16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t((value >> 8) & 0xFF));
}

// One pixel in file order: blue, green, red and, at 32 bits, alpha.
void putPixel(std::vector<uint8_t>& out, const uint8_t* rgba, size_t bytesPerPixel) {
    out.push_back(rgba[2]);
    out.push_back(rgba[1]);
    out.push_back(rgba[0]);
    if (bytesPerPixel == 4) out.push_back(rgba[3]);
}

}  // namespace

std::vector<uint8_t> encodeTga(const TgaPicture& picture, bool runLengthEncoded) {
    const size_t bytesPerPixel = picture.bitsPerPixel == 32 ? 4 : 3;
    const size_t pixelCount = size_t(picture.width) * picture.height;
    std::vector<uint8_t> out;
    out.reserve(18 + pixelCount * bytesPerPixel + pixelCount / 128 + 1);

    // 12 bytes the loader compares as a block: no image ID, no colour map,
    // type 2 or 10, zero origin.
    const uint8_t lead[12] = {0, 0, uint8_t(runLengthEncoded ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t byte : lead) out.push_back(byte);
    putLittle16(out, picture.width);
    putLittle16(out, picture.height);
    out.push_back(uint8_t(picture.bitsPerPixel));
    // Descriptor: bottom-left origin, and the alpha-bit count at 32 bits.
    out.push_back(uint8_t(bytesPerPixel == 4 ? 8 : 0));

    // A picture whose buffer is shorter than its size claims is written with
    // what there is; missing pixels are black (never read past the buffer).
    std::vector<uint8_t> padded;
    const uint8_t* source = picture.pixels.data();
    if (picture.pixels.size() < pixelCount * bytesPerPixel) {
        padded = picture.pixels;
        padded.resize(pixelCount * bytesPerPixel, 0);
        source = padded.data();
    }
    auto pixelAt = [&](size_t index) { return source + index * bytesPerPixel; };
    auto same = [&](size_t a, size_t b) { return std::memcmp(pixelAt(a), pixelAt(b), bytesPerPixel) == 0; };

    if (!runLengthEncoded) {
        for (size_t i = 0; i < pixelCount; ++i) putPixel(out, pixelAt(i), bytesPerPixel);
        return out;
    }

    // Greedy packets of at most 128 pixels that run on across row ends: two or
    // more equal pixels make a run packet, anything else gathers into a raw
    // packet until the next run begins.
    size_t i = 0;
    while (i < pixelCount) {
        size_t run = 1;
        while (i + run < pixelCount && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(127 + run));
            putPixel(out, pixelAt(i), bytesPerPixel);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixelCount && raw < 128 && !(i + raw + 1 < pixelCount && same(i + raw, i + raw + 1))) ++raw;
        out.push_back(uint8_t(raw - 1));
        for (size_t k = 0; k < raw; ++k) putPixel(out, pixelAt(i + k), bytesPerPixel);
        i += raw;
    }
    return out;
}

bool writeTga(const std::string& path, const TgaPicture& picture, bool runLengthEncoded) {
    std::vector<uint8_t> bytes = encodeTga(picture, runLengthEncoded);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}
