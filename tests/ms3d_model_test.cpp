// SPDX-License-Identifier: MIT
// Reading MS3D files: what a good file gives, which files are refused, and
// that nothing a damaged file declares leads outside the buffer or arrays.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "assets/ms3d_model.h"
#include "ms3d_writer.h"
#include "platform/data_path.h"
#include "support/asset_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Four vertices, two triangles, two groups (one with material 0, one with
// none) and one material.
Ms3dFile sampleFile() {
    Ms3dFile file;
    file.vertices = {{0, 0, 0, 1}, {1, 0, 0, 2}, {1, 1, 0, -1}, {0, 1, -2.5f, 3}};
    Ms3dTriangleRecord first;
    first.vertexIndices[0] = 0;
    first.vertexIndices[1] = 1;
    first.vertexIndices[2] = 2;
    for (int c = 0; c < 3; ++c) {
        first.normals[c][2] = 1.0f;
        first.normals[c][0] = 0.1f * float(c);
        first.s[c] = 0.5f * float(c);
        first.t[c] = 0.25f * float(c + 1);
    }
    Ms3dTriangleRecord second = first;
    second.vertexIndices[0] = 0;
    second.vertexIndices[1] = 2;
    second.vertexIndices[2] = 3;
    file.triangles = {first, second};

    Ms3dGroupRecord withMaterial;
    withMaterial.name = "petals";
    withMaterial.triangleIndices = {1, 0};
    withMaterial.materialIndex = 0;
    Ms3dGroupRecord bare;
    bare.name = "stem";
    bare.triangleIndices = {0};
    bare.materialIndex = -1;
    file.groups = {withMaterial, bare};

    Ms3dMaterialRecord material;
    material.name = "red";
    for (int i = 0; i < 4; ++i) {
        material.ambient[i] = 0.1f * float(i);
        material.diffuse[i] = 0.2f * float(i);
        material.specular[i] = 0.3f * float(i);
        material.emissive[i] = 0.05f * float(i);
    }
    material.shininess = 42.0f;
    material.textureFileName = "petal.bmp";
    file.materials = {material};
    return file;
}

void expectEmpty(const ModelBase& model) {
    EXPECT_EQ(model.vertexCount, 0);
    EXPECT_EQ(model.triangleCount, 0);
    EXPECT_EQ(model.meshCount, 0);
    EXPECT_EQ(model.materialCount, 0);
    EXPECT_EQ(model.vertices, nullptr);
    EXPECT_EQ(model.triangles, nullptr);
    EXPECT_EQ(model.meshes, nullptr);
    EXPECT_EQ(model.materials, nullptr);
}

bool parse(Ms3dModel& model, const Bytes& bytes) { return model.loadFromMemory(bytes.data(), bytes.size()); }

TEST(Ms3dModel, FileFieldsArriveInTheModel) {
    ScratchFolder dir;
    dir.write("Data/Blomma.ms3d", encodeMs3d(sampleFile()));
    setDataSearchRoots({dir.path()});
    Ms3dModel model;
    // The path is spelt as the scenes spell it; the folder ships as "Data".
    ASSERT_TRUE(model.loadFromFile("data/blomma.ms3d"));
    setDataSearchRoots({""});

    ASSERT_EQ(model.vertexCount, 4);
    EXPECT_EQ(model.vertices[3].boneId, 3);
    EXPECT_EQ(model.vertices[2].boneId, -1);
    EXPECT_EQ(model.vertices[3].location[1], 1.0f);
    EXPECT_EQ(model.vertices[3].location[2], -2.5f);

    ASSERT_EQ(model.triangleCount, 2);
    const ModelTriangle& second = model.triangles[1];
    EXPECT_EQ(second.vertexIndices[0], 0);
    EXPECT_EQ(second.vertexIndices[1], 2);
    EXPECT_EQ(second.vertexIndices[2], 3);
    EXPECT_EQ(second.vertexNormals[2][0], 0.2f);
    EXPECT_EQ(second.vertexNormals[2][2], 1.0f);
    EXPECT_EQ(second.s[1], 0.5f);
    // t is kept as 1 - t: 0.25, 0.5, 0.75 in the file.
    EXPECT_EQ(second.t[0], 0.75f);
    EXPECT_EQ(second.t[1], 0.5f);
    EXPECT_EQ(second.t[2], 0.25f);

    ASSERT_EQ(model.meshCount, 2);
    EXPECT_EQ(model.meshes[0].materialIndex, 0);
    ASSERT_EQ(model.meshes[0].triangleIndexCount, 2);
    EXPECT_EQ(model.meshes[0].triangleIndices[0], 1);
    EXPECT_EQ(model.meshes[0].triangleIndices[1], 0);
    EXPECT_EQ(model.meshes[1].materialIndex, -1);

    ASSERT_EQ(model.materialCount, 1);
    const ModelMaterial& material = model.materials[0];
    EXPECT_EQ(material.ambient[3], 0.1f * 3);
    EXPECT_EQ(material.diffuse[2], 0.2f * 2);
    EXPECT_EQ(material.specular[1], 0.3f);
    EXPECT_EQ(material.emissive[3], 0.05f * 3);
    EXPECT_EQ(material.shininess, 42.0f);
    EXPECT_EQ(material.texture, 0u);
    EXPECT_STREQ(material.textureFileName, "petal.bmp");
}

TEST(Ms3dModel, OnlyVersions3And4WithTheRightIdentifierLoad) {
    Ms3dFile file = sampleFile();
    for (int32_t version : {-1, 0, 2, 3, 4, 5, 0x7FFFFFFF}) {
        file.version = version;
        Ms3dModel model;
        EXPECT_EQ(parse(model, encodeMs3d(file)), version == 3 || version == 4) << version;
        if (version != 3 && version != 4) expectEmpty(model);
    }
    file.version = 4;
    for (size_t byte = 0; byte < 10; ++byte) {
        Bytes bytes = encodeMs3d(file);
        bytes[byte] ^= 0x20;  // "ms3D..." and the like
        Ms3dModel model;
        EXPECT_FALSE(parse(model, bytes)) << byte;
        expectEmpty(model);
    }
    Ms3dModel missing;
    EXPECT_FALSE(missing.loadFromFile("/nonexistent/model.ms3d"));
    expectEmpty(missing);
    ScratchFolder dir;
    EXPECT_FALSE(missing.loadFromFile(dir.path().c_str()));  // a folder, not a file
    expectEmpty(missing);
}

TEST(Ms3dModel, EmptyBlocksAndEmptyGroupsLoad) {
    Ms3dFile empty;
    Ms3dModel model;
    ASSERT_TRUE(parse(model, encodeMs3d(empty)));
    EXPECT_EQ(model.vertexCount + model.triangleCount + model.meshCount + model.materialCount, 0);
    // Each block was read, so each array is there, with no elements.
    EXPECT_NE(model.vertices, nullptr);
    EXPECT_NE(model.materials, nullptr);

    Ms3dFile lone;
    lone.groups.resize(1);  // no triangles, no material
    Ms3dModel withGroup;
    ASSERT_TRUE(parse(withGroup, encodeMs3d(lone)));
    ASSERT_EQ(withGroup.meshCount, 1);
    EXPECT_EQ(withGroup.meshes[0].triangleIndexCount, 0);
    EXPECT_EQ(withGroup.meshes[0].materialIndex, -1);
}

TEST(Ms3dModel, TruncatedFilesAreRefusedAtEveryLengthAndTrailingBytesIgnored) {
    const Bytes full = encodeMs3d(sampleFile());
    // Every length short of the whole file, which includes every block
    // boundary (after the header, each count and each record).
    for (size_t length = 0; length < full.size(); ++length) {
        Ms3dModel model;
        // A copy of exactly that length, so that a read past it is a read
        // past the buffer that address sanitizer builds would report.
        Bytes cut(full.begin(), full.begin() + long(length));
        EXPECT_FALSE(model.loadFromMemory(cut.data(), cut.size())) << length;
        expectEmpty(model);
    }
    Bytes longer = full;
    longer.insert(longer.end(), {1, 2, 3});
    Ms3dModel model;
    EXPECT_TRUE(parse(model, longer));
}

TEST(Ms3dModel, IndicesOutOfRangeAreRefusedOrClipped) {
    {
        Ms3dFile file = sampleFile();
        file.triangles[1].vertexIndices[2] = 4;  // one past the last vertex
        Ms3dModel model;
        EXPECT_FALSE(parse(model, encodeMs3d(file)));
        expectEmpty(model);
    }
    {
        Ms3dFile file = sampleFile();
        file.groups[1].triangleIndices = {0, 2};  // one past the last triangle
        Ms3dModel model;
        EXPECT_FALSE(parse(model, encodeMs3d(file)));
        expectEmpty(model);
    }
    {
        // A group naming a material that is not there is drawn without one.
        Ms3dFile file = sampleFile();
        file.groups[0].materialIndex = 1;
        file.groups[1].materialIndex = 127;
        Ms3dModel model;
        ASSERT_TRUE(parse(model, encodeMs3d(file)));
        EXPECT_EQ(model.meshes[0].materialIndex, -1);
        EXPECT_EQ(model.meshes[1].materialIndex, -1);
    }
    {
        // Any negative byte means "no material".
        Ms3dFile file = sampleFile();
        file.groups[0].materialIndex = -128;
        Ms3dModel model;
        ASSERT_TRUE(parse(model, encodeMs3d(file)));
        EXPECT_LT(model.meshes[0].materialIndex, 0);
    }
}

TEST(Ms3dModel, TextureNameWithoutTerminatorIsCutAtItsField) {
    Ms3dFile file = sampleFile();
    file.materials[0].textureFileName = std::string(128, 'x');
    file.materials[0].alphaMapFileName = "alpha.bmp";  // right behind the name field
    Ms3dModel model;
    ASSERT_TRUE(parse(model, encodeMs3d(file)));
    EXPECT_EQ(std::string(model.materials[0].textureFileName), std::string(128, 'x'));
}

TEST(Ms3dModel, AFailedReloadLeavesTheModelEmpty) {
    Ms3dModel model;
    ASSERT_TRUE(parse(model, encodeMs3d(sampleFile())));
    Bytes broken = encodeMs3d(sampleFile());
    broken.resize(broken.size() - 1);
    EXPECT_FALSE(parse(model, broken));
    expectEmpty(model);
}

// Bytes this process has read from files so far (the kernel's count).
uint64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        uint64_t value = 0;
        io >> value;
        if (key == "rchar:") return value;
    }
    return 0;
}

// `bytes`, then a hole up to `length` that reads as zeros without taking
// disk space.
std::string sparseFile(const ScratchFolder& dir, const std::string& name, const Bytes& bytes, off_t length) {
    const std::string path = dir.write(name, bytes);
    EXPECT_EQ(truncate(path.c_str(), length), 0);
    return path;
}

// A model file of gigabytes once cost its whole size in memory and seconds
// of reading before the scene's message. Only what the counts need is read,
// up to the bound.
TEST(Ms3dModel, LargeFilesAreReadOnlyAsFarAsTheirCountsAndTheBound) {
    ScratchFolder dir;
    constexpr off_t gigabytes = off_t(3) << 30;
    constexpr uint64_t readBound = ms3dReadLimit + (1u << 20);  // plus stdio's buffering

    // A good model with gigabytes after it: loads, the tail never read.
    const Bytes sample = encodeMs3d(sampleFile());
    std::string path = sparseFile(dir, "tail.ms3d", sample, gigabytes);
    uint64_t before = bytesReadSoFar();
    Ms3dModel tail;
    EXPECT_TRUE(tail.loadFromFile(path.c_str()));
    EXPECT_EQ(tail.triangleCount, 2);
    EXPECT_LT(bytesReadSoFar() - before, uint64_t(1) << 20);

    // One vertex, one triangle, then groups of 65535 entries each (all
    // triangle 0): 256 of them written out, the hole after them. The counts
    // claim 65535 such groups, 8.6 GB of lists; the bound stops the reading
    // after at most itself. 255 groups (33.4 MB in all) lie within it.
    Bytes groups = encodeMs3d(Ms3dFile{});
    groups.resize(14);
    const Bytes vertexAndTriangle = [] {
        Bytes bytes{1, 0};
        bytes.resize(bytes.size() + 15, 0);
        bytes.insert(bytes.end(), {1, 0});
        bytes.resize(bytes.size() + 70, 0);
        return bytes;
    }();
    groups.insert(groups.end(), vertexAndTriangle.begin(), vertexAndTriangle.end());
    const size_t groupCount = groups.size();
    groups.insert(groups.end(), {0xFF, 0xFF});
    Bytes group(33, 0);
    group.insert(group.end(), {0xFF, 0xFF});
    group.resize(group.size() + 2 * 65535, 0);
    group.push_back(0xFF);  // no material
    for (int i = 0; i < 256; ++i) groups.insert(groups.end(), group.begin(), group.end());
    for (const auto& [count, loads] : {std::pair<uint16_t, bool>{65535, false}, {256, false}, {255, true}}) {
        groups[groupCount] = uint8_t(count);
        groups[groupCount + 1] = uint8_t(count >> 8);
        path = sparseFile(dir, "groups.ms3d", groups, gigabytes);
        before = bytesReadSoFar();
        Ms3dModel model;
        EXPECT_EQ(model.loadFromFile(path.c_str()), loads) << count;
        EXPECT_LT(bytesReadSoFar() - before, readBound) << count;
        if (loads) {
            EXPECT_EQ(model.meshCount, 255);
            EXPECT_EQ(model.meshes[254].triangleIndexCount, 65535);
        } else {
            expectEmpty(model);
        }
    }
}

}  // namespace
