// SPDX-License-Identifier: MIT
// How long the texture bank takes to fill and upload at start-up, phase by
// phase, with ten pictures of plausible sizes written to a scratch folder
// (once uncompressed, once run-length encoded). The music already plays
// while this runs, so the whole bank should take well under 100 ms.
//
//   texture_bank_bench [repetitions] [folder holding the shipped Data folder]
// With a folder, the shipped pictures are timed as well.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/procedural_textures.h"
#include "assets/texture_bank.h"
#include "assets/tga.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "tga_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Picture {
    const char* name;
    uint32_t width, height;
    int bits;
};

// Slot 0 (grass, mipmapped), the scroller background, the model texture and
// seven full-screen slides.
const Picture pictures[] = {
    {"Data/grass1.tga", 512, 512, 24},
    {"Data/Lights.tga", 512, 512, 24},
    {"Data/kuk.tga", 256, 256, 24},
    {"Data/title2.tga", 1024, 512, 24},
    {"Data/gras.tga", 1024, 512, 24},
    {"Data/suckscene.tga", 1024, 512, 24},
    {"Data/atariscroller.tga", 1024, 512, 24},
    {"Data/fractalzoomer.tga", 1024, 512, 24},
    {"Data/kuktext.tga", 1024, 512, 32},
    {"Data/credits.tga", 1024, 512, 24},
};

// Something like a photograph: smooth gradients with a little noise, so that
// run-length encoding finds short runs only in places.
TgaPicture makePicture(const Picture& shape, unsigned seed) {
    TgaPicture picture;
    picture.width = shape.width;
    picture.height = shape.height;
    picture.bitsPerPixel = shape.bits;
    const int bytesPerPixel = shape.bits / 8;
    picture.pixels.resize(size_t(shape.width) * shape.height * size_t(bytesPerPixel));
    uint32_t noise = seed;
    size_t i = 0;
    for (uint32_t y = 0; y < shape.height; ++y)
        for (uint32_t x = 0; x < shape.width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const bool flat = ((x / 64) + (y / 64)) % 3 == 0;  // flat patches
            const uint8_t jitter = flat ? 0 : uint8_t((noise >> 24) & 7);
            picture.pixels[i++] = uint8_t(x / 4 + jitter);
            picture.pixels[i++] = uint8_t(y / 2 + jitter);
            picture.pixels[i++] = uint8_t((x + y) / 8);
            if (bytesPerPixel == 4) picture.pixels[i++] = 255;
        }
    return picture;
}

std::vector<uint8_t> readWhole(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* file = openDataFile(path)) {
        uint8_t chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(file);
    }
    return bytes;
}

struct Figures {
    std::vector<double> reading, decoding, generating, uploading, whole;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void runOnce(Figures& figures) {
    // Reading: the ten files' bytes from the (warm) file system.
    std::vector<std::vector<uint8_t>> files;
    auto start = Clock::now();
    for (const Picture& p : pictures) files.push_back(readWhole(p.name));
    figures.reading.push_back(millisecondsSince(start));

    // Decoding: the loader on those bytes in memory, without the file system.
    std::vector<TextureImage> decoded(std::size(pictures));
    start = Clock::now();
    for (size_t i = 0; i < files.size(); ++i) {
        std::FILE* memory = fmemopen(files[i].data(), files[i].size(), "rb");
        if (!memory || !readTga(decoded[i], memory)) std::fprintf(stderr, "decoding %s failed\n", pictures[i].name);
    }
    figures.decoding.push_back(millisecondsSince(start));

    // Generating: the checkerboard and the fractal.
    start = Clock::now();
    TextureImage checker, fractal;
    buildCheckerTexture(checker);
    buildFractalTexture(fractal);
    figures.generating.push_back(millisecondsSince(start));

    // Uploading: the twelve slots, filled from the images above.
    const int pictureSlots[] = {0, 1, 4, 5, 6, 7, 8, 9, 10, 11};
    for (size_t i = 0; i < decoded.size(); ++i) textureBank[pictureSlots[i]] = std::move(decoded[i]);
    textureBank[2] = std::move(checker);
    textureBank[3] = std::move(fractal);
    start = Clock::now();
    for (int slot = 0; slot < textureBankSize; ++slot) uploadTextureSlot(slot);
    glFinish();
    figures.uploading.push_back(millisecondsSince(start));
    clearTextureBank();

    // The whole bank as the demo fills it.
    start = Clock::now();
    loadTextureBank("data/grass1.tga");
    glFinish();
    figures.whole.push_back(millisecondsSince(start));
    if (textureBank[11].textureId == 0) std::fprintf(stderr, "the bank did not fill\n");
    clearTextureBank();
}

}  // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    if (!createHeadlessContext(640, 480)) {
        std::fprintf(stderr, "no headless GL context: %s\n", headlessGlError().c_str());
        return 1;
    }
    captureMessageBoxes(true);

    std::string folderPattern = (std::filesystem::temp_directory_path() / "glimmer-bank-XXXXXX").string();
    if (!mkdtemp(folderPattern.data())) return 1;
    const std::string folder = folderPattern;
    std::filesystem::create_directories(folder + "/Data");
    setDataSearchRoots({folder});

    std::printf("texture bank, %d repetitions, median milliseconds (GL: %s)\n", repetitions,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("%-14s %9s %9s %9s %9s %9s %9s\n", "pictures", "MB", "reading", "decoding", "generate", "upload",
                "whole");
    for (bool rle : {false, true}) {
        size_t bytes = 0;
        unsigned seed = 1;
        for (const Picture& p : pictures) {
            const std::string path = folder + "/" + p.name;
            if (!writeTga(path, makePicture(p, seed++), rle)) return 1;
            bytes += std::filesystem::file_size(path);
        }
        Figures figures;
        for (int i = 0; i < repetitions; ++i) runOnce(figures);
        std::printf("%-14s %9.1f %9.2f %9.2f %9.2f %9.2f %9.2f\n", rle ? "run-length" : "uncompressed",
                    double(bytes) / (1 << 20), median(figures.reading), median(figures.decoding),
                    median(figures.generating), median(figures.uploading), median(figures.whole));
        const auto messages = takeCapturedMessageBoxes();
        if (!messages.empty()) std::fprintf(stderr, "message: %s\n", messages[0].text.c_str());
    }

    if (argc > 2) {
        setDataSearchRoots({argv[2]});
        size_t bytes = 0;
        for (const Picture& p : pictures) bytes += readWhole(p.name).size();
        Figures figures;
        for (int i = 0; i < repetitions; ++i) runOnce(figures);
        std::printf("%-14s %9.1f %9.2f %9.2f %9.2f %9.2f %9.2f\n", "shipped", double(bytes) / (1 << 20),
                    median(figures.reading), median(figures.decoding), median(figures.generating),
                    median(figures.uploading), median(figures.whole));
        const auto messages = takeCapturedMessageBoxes();
        if (!messages.empty()) std::fprintf(stderr, "message: %s\n", messages[0].text.c_str());
    }

    std::filesystem::remove_all(folder);
    destroyHeadlessContext();
    return 0;
}
