// SPDX-License-Identifier: MIT
// Writes small, valid seed inputs for the two fuzzers into the folders given
// on the command line: TGA pictures of both types and depths, and MS3D models
// of both versions with empty and filled blocks.
#include <cstdio>
#include <string>

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
    return ok;
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
