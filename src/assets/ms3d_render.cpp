// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include "assets/ms3d_model.h"

static bool cornersInRange(const ModelTriangle& triangle, int32_t vertexCount) {
    for (int32_t v : triangle.vertexIndices)
        if (v < 0 || v >= vertexCount) return false;
    return true;
}

void ModelBase::render() {
    const GLboolean texturingWasOn = glIsEnabled(GL_TEXTURE_2D);

    for (int32_t m = 0; m < meshCount; ++m) {
        const ModelMesh& mesh = meshes[m];
        // A mesh without material keeps whatever material is current. The
        // loader clips indices past the last material to "none"; the bound
        // is checked here too, since the fields are open to every caller.
        if (mesh.materialIndex < 0 || mesh.materialIndex >= materialCount) {
            glDisable(GL_TEXTURE_2D);
        } else {
            const ModelMaterial& material = materials[mesh.materialIndex];
            glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
            glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
            glMaterialfv(GL_FRONT, GL_EMISSION, material.emissive);
            glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
            if (material.texture != 0) {
                glBindTexture(GL_TEXTURE_2D, material.texture);
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
        }

        glBegin(GL_TRIANGLES);
        for (int32_t k = 0; k < mesh.triangleIndexCount; ++k) {
            const int32_t t = mesh.triangleIndices[k];
            if (t < 0 || t >= triangleCount) continue;  // the loader never leaves one
            const ModelTriangle& triangle = triangles[t];
            if (!cornersInRange(triangle, vertexCount)) continue;  // whole triangles only
            for (int corner = 0; corner < 3; ++corner) {
                const int32_t v = triangle.vertexIndices[corner];
                glNormal3fv(triangle.vertexNormals[corner]);
                glTexCoord2f(triangle.s[corner], triangle.t[corner]);
                glVertex3fv(vertices[v].location);
            }
        }
        glEnd();
    }

    if (texturingWasOn)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}
