// SPDX-License-Identifier: MIT
#include "assets/ms3d_model.h"

Ms3dModel* modelA = nullptr;
Ms3dModel* modelB = nullptr;
Ms3dModel* modelC = nullptr;

ModelBase::~ModelBase() { release(); }

Ms3dModel::~Ms3dModel() = default;  // the base releases everything

void ModelBase::release() {
    for (int32_t i = 0; meshes && i < meshCount; ++i) {
        delete[] meshes[i].triangleIndices;
        meshes[i].triangleIndices = nullptr;
    }
    for (int32_t i = 0; materials && i < materialCount; ++i) {
        delete[] materials[i].textureFileName;
        materials[i].textureFileName = nullptr;
    }
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
    delete[] materials;
    materials = nullptr;
    materialCount = 0;
    delete[] triangles;
    triangles = nullptr;
    triangleCount = 0;
    delete[] vertices;
    vertices = nullptr;
    vertexCount = 0;
}
