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

class Ms3dModel : public ModelBase {
public:
    Ms3dModel() = default;
    ~Ms3dModel() override;
    bool loadFromFile(const char* path) override;
    // The parse step of loadFromFile, on the file's bytes in memory (the
    // fuzzer feeds it directly). Same result and the same empty model on
    // refusal.
    bool loadFromMemory(const uint8_t* data, size_t size);
};

// The three model slots the scenes fill: null until a set-up creates a model;
// whoever destroys a model clears its pointer.
extern Ms3dModel* modelA;
extern Ms3dModel* modelB;
extern Ms3dModel* modelC;

// The message every scene shows when one of its models cannot be loaded.
constexpr const char* modelLoadErrorText = "Couldn't load the model data\\model.ms3d";
