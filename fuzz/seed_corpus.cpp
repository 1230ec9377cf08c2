// SPDX-License-Identifier: MIT
// Writes small, valid seed inputs for the two fuzzers into the folders given
// on the command line: TGA pictures of both types and depths, and MS3D models
// of both versions with empty and filled blocks, and of each reader files
// whose headers claim far more than they hold, so that mutations start from
// the sizes that once made the readers reserve gigabytes.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "ms3d_writer.h"
#include "tga_writer.h"

namespace {

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    return std::fclose(out) == 0;
}

bool writeTgaSeeds(const std::string& folder) {
    bool ok = true;
    int n = 0;
    for (int depth : {24, 32}) {
        for (bool rle : {false, true}) {
            for (uint32_t width : {1u, 3u, 17u}) {
                TgaPicture picture;
                picture.width = width;
                picture.height = 2;
                picture.bitsPerPixel = depth;
                const size_t bytes = size_t(width) * 2 * size_t(depth / 8);
                // Half plain, half varied: both packet kinds when encoded.
                for (size_t i = 0; i < bytes; ++i) picture.pixels.push_back(i < bytes / 2 ? 9 : uint8_t(i * 37));
                ok &= writeBytes(folder + "/seed" + std::to_string(n++) + ".tga", encodeTga(picture, rle));
            }
        }
    }
    // Larger run-length pictures with long runs, so that mutations reach the
    // packet decoder with realistic sizes rather than only tiny pictures.
    for (int depth : {24, 32}) {
        TgaPicture picture;
        picture.width = 320;
        picture.height = 200;
        picture.bitsPerPixel = depth;
        const size_t bytesPerPixel = size_t(depth / 8);
        for (size_t i = 0; i < size_t(picture.width) * picture.height; ++i)
            for (size_t c = 0; c < bytesPerPixel; ++c) picture.pixels.push_back(uint8_t((i / 700) * 40 + c));
        ok &= writeBytes(folder + "/seed" + std::to_string(n++) + ".tga", encodeTga(picture, true));
    }
    // Headers claiming 65535 x 65535 and 32768 x 4096 pixels over a few
    // packets: the side limit must refuse them before anything is reserved.
    for (bool rle : {false, true}) {
        for (const auto& [width, height] : {std::pair<uint32_t, uint32_t>{65535, 65535}, {32768, 4096}}) {
            TgaPicture picture;
            picture.width = 1;
            picture.height = 1;
            picture.bitsPerPixel = 32;
            picture.pixels = {1, 2, 3, 4};
            std::vector<uint8_t> bytes = encodeTga(picture, rle);
            bytes[12] = uint8_t(width);
            bytes[13] = uint8_t(width >> 8);
            bytes[14] = uint8_t(height);
            bytes[15] = uint8_t(height >> 8);
            // A few whole-run packets of 128 pixels after the first.
            for (int i = 0; i < 64; ++i) bytes.insert(bytes.end(), {255, 9, 9, 9, 9});
            ok &= writeBytes(folder + "/huge" + std::to_string(n++) + ".tga", bytes);
        }
    }
    return ok;
}

// A small model whose counts are raised to the largest the format takes:
// 65535 vertices, then (in a second seed) 65535 groups of 65535 triangle
// indices each, far more than the bytes behind them.
std::vector<uint8_t> ms3dClaiming(const std::vector<uint8_t>& model, size_t countOffset) {
    std::vector<uint8_t> bytes = model;
    bytes[countOffset] = 0xFF;
    bytes[countOffset + 1] = 0xFF;
    return bytes;
}

bool writeMs3dSeeds(const std::string& folder) {
    Ms3dFile file;
    bool ok = writeBytes(folder + "/empty.ms3d", encodeMs3d(file));
    file.version = 3;
    file.vertices = {{0, 0, 0, 0}, {1, 0, 0, 1}, {0, 1, 0, -1}};
    Ms3dTriangleRecord triangle;
    triangle.vertexIndices[1] = 1;
    triangle.vertexIndices[2] = 2;
    triangle.t[0] = 0.25f;
    file.triangles = {triangle, triangle};
    Ms3dGroupRecord group;
    group.name = "group";
    group.triangleIndices = {0, 1};
    group.materialIndex = 0;
    Ms3dGroupRecord bare;
    bare.materialIndex = -1;
    file.groups = {group, bare};
    Ms3dMaterialRecord material;
    material.name = "material";
    material.textureFileName = "texture.bmp";
    file.materials = {material};
    ok &= writeBytes(folder + "/small.ms3d", encodeMs3d(file));
    file.version = 4;
    file.materials[0].textureFileName = std::string(128, 'n');
    ok &= writeBytes(folder + "/long-name.ms3d", encodeMs3d(file));

    // The vertex count sits at offset 14; in the empty model the group count
    // follows at 18, and a group's triangle count 33 bytes into its record.
    ok &= writeBytes(folder + "/huge-vertices.ms3d", ms3dClaiming(encodeMs3d(file), 14));
    Ms3dFile groupsOnly;
    groupsOnly.groups = {bare};
    std::vector<uint8_t> groups = ms3dClaiming(encodeMs3d(groupsOnly), 18);
    groups = ms3dClaiming(groups, 20 + 33);
    ok &= writeBytes(folder + "/huge-groups.ms3d", groups);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TGA-FOLDER MS3D-FOLDER\n", argv[0]);
        return 2;
    }
    if (!writeTgaSeeds(argv[1]) || !writeMs3dSeeds(argv[2])) {
        std::fprintf(stderr, "could not write the seed corpus\n");
        return 1;
    }
    return 0;
}
