// SPDX-License-Identifier: MIT
// Writes MilkShape 3D files (version 3 or 4) with the blocks the demo reads:
// vertices, triangles, groups, materials.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Ms3dVertexRecord {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    int8_t boneId = -1;
};

struct Ms3dTriangleRecord {
    uint16_t vertexIndices[3] = {};
    float normals[3][3] = {};
    float s[3] = {};
    float t[3] = {};  // as stored in the file (the loader keeps 1 - t)
    uint8_t smoothingGroup = 1;
    uint8_t groupIndex = 0;
};

struct Ms3dGroupRecord {
    std::string name;
    std::vector<uint16_t> triangleIndices;
    int8_t materialIndex = -1;
};

struct Ms3dMaterialRecord {
    std::string name;
    float ambient[4] = {}, diffuse[4] = {}, specular[4] = {}, emissive[4] = {};
    float shininess = 0.0f;
    float transparency = 1.0f;
    std::string textureFileName;
    std::string alphaMapFileName;
};

struct Ms3dFile {
    int32_t version = 4;
    std::vector<Ms3dVertexRecord> vertices;
    std::vector<Ms3dTriangleRecord> triangles;
    std::vector<Ms3dGroupRecord> groups;
    std::vector<Ms3dMaterialRecord> materials;
};

std::vector<uint8_t> encodeMs3d(const Ms3dFile& file);
bool writeMs3d(const std::string& path, const Ms3dFile& file);
