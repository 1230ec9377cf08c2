// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the MS3D reader. A model that loads must be one
// the renderer can draw without leaving its arrays; a refused one is empty.
#include <cstdlib>
#include <cstring>

#include "assets/ms3d_model.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Everything render() indexes, checked as it would index it.
void checkDrawable(const Ms3dModel& model) {
    require(model.vertexCount >= 0 && model.triangleCount >= 0 && model.meshCount >= 0 && model.materialCount >= 0);
    for (int32_t m = 0; m < model.meshCount; ++m) {
        const ModelMesh& mesh = model.meshes[m];
        require(mesh.materialIndex < model.materialCount);
        require(mesh.triangleIndexCount == 0 || mesh.triangleIndices != nullptr);
        for (int32_t k = 0; k < mesh.triangleIndexCount; ++k) {
            const int32_t t = mesh.triangleIndices[k];
            require(t >= 0 && t < model.triangleCount);
            for (int32_t v : model.triangles[t].vertexIndices) {
                require(v >= 0 && v < model.vertexCount);
                volatile float x = model.vertices[v].location[0];
                (void)x;
            }
        }
    }
    for (int32_t i = 0; i < model.materialCount; ++i) {
        require(model.materials[i].textureFileName != nullptr);
        require(std::strlen(model.materials[i].textureFileName) <= 128);
        require(model.materials[i].texture == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Ms3dModel model;
    if (model.loadFromMemory(data, size)) {
        checkDrawable(model);
    } else {
        require(model.vertexCount == 0 && model.triangleCount == 0 && model.meshCount == 0 &&
                model.materialCount == 0 && model.vertices == nullptr && model.triangles == nullptr &&
                model.meshes == nullptr && model.materials == nullptr);
    }
    return 0;
}
