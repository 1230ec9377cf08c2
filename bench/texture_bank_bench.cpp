// SPDX-License-Identifier: MIT
// How long the texture bank takes to fill and upload at start-up, phase by
// phase: reading the files, decoding them, generating the two computed
// textures, uploading all twelve slots, and the whole bank as the demo fills
// it. Ten pictures of plausible sizes are written to a scratch folder, once
// uncompressed and once run-length encoded. The music already plays while
// this runs, so the whole bank should take well under 100 ms.
//
//   texture_bank_bench [benchmark options] [folder holding the shipped Data folder]
// With a folder, the shipped pictures are timed as well.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/procedural_textures.h"
#include "assets/texture_bank.h"
#include "assets/tga.h"
#include "headless_bench.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "tga_writer.h"

namespace {

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

// A relative path is found in the working directory before the search
// folders, so a run from the build folder would time its Data folder: the
// pictures' folder becomes the working directory as well.
void pictureFolder(const std::string& root) {
    std::filesystem::current_path(root);
    setDataSearchRoots({root});
}

// The ten files' bytes, from the (warm) file system.
std::vector<std::vector<uint8_t>> readPictures() {
    std::vector<std::vector<uint8_t>> files;
    for (const Picture& p : pictures) {
        std::vector<uint8_t>& bytes = files.emplace_back();
        if (std::FILE* file = openDataFile(p.name)) {
            uint8_t chunk[65536];
            for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                bytes.insert(bytes.end(), chunk, chunk + got);
            std::fclose(file);
        }
    }
    return files;
}

// The loader on bytes in memory, without the file system.
std::vector<TextureImage> decodePictures(std::vector<std::vector<uint8_t>>& files) {
    std::vector<TextureImage> decoded(files.size());
    for (size_t i = 0; i < files.size(); ++i)
        if (std::FILE* memory = fmemopen(files[i].data(), files[i].size(), "rb")) readTga(decoded[i], memory);
    return decoded;
}

// A benchmark whose loader showed a message (a picture missing or broken, a
// bank that did not fill) measured something else: it is reported as
// failed, with the message.
void failOnMessage(benchmark::State& state) {
    const auto messages = takeCapturedMessageBoxes();
    if (!messages.empty()) state.SkipWithError(messages[0].text.c_str());
}

void reading(benchmark::State& state, const std::string& root) {
    pictureFolder(root);
    size_t bytes = 0;
    for (auto _ : state) {
        const auto files = readPictures();
        bytes = 0;
        for (const auto& file : files) bytes += file.size();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
    state.counters["MB"] = double(bytes) / (1 << 20);
}

void decoding(benchmark::State& state, const std::string& root) {
    pictureFolder(root);
    auto files = readPictures();
    for (auto _ : state) benchmark::DoNotOptimize(decodePictures(files));
    failOnMessage(state);
}

void generating(benchmark::State& state) {
    for (auto _ : state) {
        TextureImage checker, fractal;
        buildCheckerTexture(checker);
        buildFractalTexture(fractal);
    }
}

// The twelve slots, filled (untimed) from the decoded pictures and the two
// generated textures, then uploaded.
void uploading(benchmark::State& state, const std::string& root) {
    pictureFolder(root);
    auto files = readPictures();
    const int pictureSlots[] = {0, 1, 4, 5, 6, 7, 8, 9, 10, 11};
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TextureImage> decoded = decodePictures(files);
        for (size_t i = 0; i < decoded.size(); ++i) textureBank[pictureSlots[i]] = std::move(decoded[i]);
        buildCheckerTexture(textureBank[checkerSlot]);
        buildFractalTexture(textureBank[fractalSlot]);
        state.ResumeTiming();
        for (int slot = 0; slot < textureBankSize; ++slot) uploadTextureSlot(slot);
        glFinish();
        state.PauseTiming();
        clearTextureBank();
        state.ResumeTiming();
    }
    failOnMessage(state);
}

void whole(benchmark::State& state, const std::string& root) {
    pictureFolder(root);
    for (auto _ : state) {
        loadTextureBank("data/grass1.tga");
        glFinish();
        state.PauseTiming();
        clearTextureBank();
        state.ResumeTiming();
    }
    failOnMessage(state);
}

void registerSet(const std::string& name, const std::string& root) {
    auto add = [&](const char* phase, void (*run)(benchmark::State&, const std::string&)) {
        benchmark::RegisterBenchmark((std::string(phase) + "/" + name).c_str(), run, root)
            ->Unit(benchmark::kMillisecond);
    };
    add("reading", reading);
    add("decoding", decoding);
    add("uploading", uploading);
    add("whole", whole);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 2 || (argc == 2 && !std::filesystem::exists(std::string(argv[1]) + "/" + pictures[0].name))) {
        std::fprintf(stderr,
                     "usage: texture_bank_bench [benchmark options] [folder holding the shipped Data folder]\n"
                     "(%s is not such a folder)\n",
                     argv[argc - 1]);
        return 2;
    }
    if (!openBenchContext(640, 480)) return 1;
    captureMessageBoxes(true);

    std::string folderPattern = (std::filesystem::temp_directory_path() / "glimmer-bank-XXXXXX").string();
    if (!mkdtemp(folderPattern.data())) return 1;
    const std::string folder = folderPattern;
    for (bool rle : {false, true}) {
        const std::string root = folder + (rle ? "/run-length" : "/uncompressed");
        std::filesystem::create_directories(root + "/Data");
        unsigned seed = 1;
        for (const Picture& p : pictures)
            if (!writeTga(root + "/" + p.name, makePicture(p, seed++), rle)) {
                std::fprintf(stderr, "cannot write %s/%s\n", root.c_str(), p.name);
                return 1;
            }
        registerSet(rle ? "run-length" : "uncompressed", root);
    }
    benchmark::RegisterBenchmark("generating", generating)->Unit(benchmark::kMillisecond);
    if (argc == 2) registerSet("shipped", std::filesystem::absolute(argv[1]));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    destroyHeadlessContext();
    return 0;
}
