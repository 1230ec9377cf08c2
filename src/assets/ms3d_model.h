// SPDX-License-Identifier: MIT
// A triangle model read from a MilkShape 3D file (version 3 or 4) and drawn
// mesh by mesh with immediate-mode triangles, each mesh with its material.
#pragma once

#include <cstddef>
#include <cstdint>

struct ModelMesh {
    int32_t materialIndex = -1;  // negative: no material
    int32_t triangleIndexCount = 0;
    int32_t* triangleIndices = nullptr;  // owned
};

struct ModelMaterial {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];
    float shininess;
    uint32_t texture;       // GL texture name; always 0 here
    char* textureFileName;  // owned, NUL-terminated; stored, never used
};

struct ModelTriangle {
    float vertexNormals[3][3];
    float s[3];
    float t[3];  // stored as 1 - t of the file
    int32_t vertexIndices[3];
};

struct ModelVertex {
    int8_t boneId;
    float location[3];
};

class ModelBase {
public:
    ModelBase() = default;
    ModelBase(const ModelBase&) = delete;
    ModelBase& operator=(const ModelBase&) = delete;
    virtual ~ModelBase();
    virtual bool loadFromFile(const char* path) = 0;
    void render();

    int32_t meshCount = 0;
    ModelMesh* meshes = nullptr;
    int32_t materialCount = 0;
    ModelMaterial* materials = nullptr;
    int32_t triangleCount = 0;
    ModelTriangle* triangles = nullptr;
    int32_t vertexCount = 0;
    ModelVertex* vertices = nullptr;

protected:
    // Frees every array in the described order and sets the counts to 0.
    void release();
};

// The most bytes of a model file that are read. It is the largest file the
// format can describe with every triangle in one group (about 30.3 MiB at
// 65535 vertices, triangles, groups and materials) plus room for groups that
// share triangles. A file whose counts need more is refused once they pass
// the bound, so no file makes the reader hold more than this plus the arrays
// made from it (at most twice its size), whatever the file's length.
constexpr size_t ms3dReadLimit = 32u << 20;

class Ms3dByteCursor;

class Ms3dModel : public ModelBase {
public:
    Ms3dModel() = default;
    ~Ms3dModel() override;
    // Reads the blocks one by one, as far as their counts need; bytes after
    // the material block are never read.
    bool loadFromFile(const char* path) override;
    // The parse step of loadFromFile, on the file's bytes in memory (the
    // fuzzer feeds it directly). Same result and the same empty model on
    // refusal.
    bool loadFromMemory(const uint8_t* data, size_t size);

private:
    bool parse(Ms3dByteCursor& cursor);
};

// The three model slots the scenes fill: null until a set-up creates a model;
// whoever destroys a model clears its pointer.
extern Ms3dModel* modelA;
extern Ms3dModel* modelB;
extern Ms3dModel* modelC;

// The message every scene shows when one of its models cannot be loaded.
constexpr const char* modelLoadErrorText = "Couldn't load the model data\\model.ms3d";
