// SPDX-License-Identifier: MIT
// Drawing a model on the headless context: materials per mesh, texturing
// left as found, and positions rewritten between frames drawn as they are.
#include <GL/gl.h>

#include "assets/ms3d_model.h"
#include "ms3d_writer.h"
#include "support/gl_test.h"

namespace {

// Two screen-filling triangle pairs in two groups: the left half with
// material 0 (pure green emission), the right half with none.
Ms3dFile halvesFile() {
    Ms3dFile file;
    file.vertices = {{-1, -1, 0}, {0, -1, 0}, {0, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {1, 1, 0}};
    auto triangle = [](uint16_t a, uint16_t b, uint16_t c) {
        Ms3dTriangleRecord t;
        t.vertexIndices[0] = a;
        t.vertexIndices[1] = b;
        t.vertexIndices[2] = c;
        for (auto& normal : t.normals) normal[2] = 1.0f;
        return t;
    };
    file.triangles = {triangle(0, 1, 2), triangle(0, 2, 3), triangle(1, 4, 5), triangle(1, 5, 2)};
    Ms3dGroupRecord left;
    left.triangleIndices = {0, 1};
    left.materialIndex = 0;
    Ms3dGroupRecord right;
    right.triangleIndices = {2, 3};
    right.materialIndex = -1;
    file.groups = {left, right};
    Ms3dMaterialRecord green;
    green.ambient[3] = green.diffuse[3] = green.specular[3] = 1.0f;
    green.emissive[1] = green.emissive[3] = 1.0f;
    green.shininess = 12.0f;
    file.materials = {green};
    return file;
}

class Ms3dRenderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        const std::vector<uint8_t> bytes = encodeMs3d(halvesFile());
        ASSERT_TRUE(model.loadFromMemory(bytes.data(), bytes.size()));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        // Lit, no lights and no global ambient: a surface shows its emission.
        glEnable(GL_LIGHTING);
        const GLfloat none[4] = {0, 0, 0, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        const GLfloat red[4] = {1, 0, 0, 1};
        glMaterialfv(GL_FRONT, GL_EMISSION, red);
    }
    Ms3dModel model;
};

TEST_F(Ms3dRenderTest, EachMeshDrawsWithItsMaterialOrTheCurrentOne) {
    model.render();
    glFinish();
    const Rgba left = pixel(width / 4, height / 2);
    const Rgba right = pixel(3 * width / 4, height / 2);
    EXPECT_EQ(left.g, 255);
    EXPECT_EQ(left.r, 0);
    // The mesh without material comes after the green one and keeps it...
    EXPECT_EQ(right.g, 255);
    EXPECT_EQ(right.r, 0);
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 12.0f);

    // ...and drawn first, it takes whatever material was current (red).
    std::swap(model.meshes[0], model.meshes[1]);
    const GLfloat red[4] = {1, 0, 0, 1};
    glMaterialfv(GL_FRONT, GL_EMISSION, red);
    glClear(GL_COLOR_BUFFER_BIT);
    model.render();
    glFinish();
    EXPECT_EQ(pixel(3 * width / 4, height / 2).r, 255);
    EXPECT_EQ(pixel(width / 4, height / 2).g, 255);
}

TEST_F(Ms3dRenderTest, TexturingIsLeftAsItWasFound) {
    // A black texture bound and enabled would blacken every surface drawn
    // with it; both meshes (material without texture, and no material) are
    // drawn untextured.
    GLuint black = 0;
    const uint8_t texel[4] = {0, 0, 0, 255};
    glGenTextures(1, &black);
    glBindTexture(GL_TEXTURE_2D, black);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glEnable(GL_TEXTURE_2D);
    model.render();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(pixel(width / 4, height / 2).g, 255);
    EXPECT_EQ(pixel(3 * width / 4, height / 2).g, 255);

    // Drawn first, the mesh without material finds texturing on and the
    // black texture bound, and is still drawn untextured (in the current
    // material, green from the call before).
    std::swap(model.meshes[0], model.meshes[1]);
    glClear(GL_COLOR_BUFFER_BIT);
    model.render();
    EXPECT_EQ(pixel(3 * width / 4, height / 2).g, 255);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    std::swap(model.meshes[0], model.meshes[1]);

    glDeleteTextures(1, &black);
    glDisable(GL_TEXTURE_2D);
    model.render();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // An empty model draws nothing and changes nothing.
    Ms3dModel empty;
    glEnable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT);
    empty.render();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(pixel(width / 2, height / 2).g, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A material with a texture draws it with each corner's s and t: a 2 x 2
// texture whose four texels differ tells s from t.
TEST_F(Ms3dRenderTest, TexturedMaterialsUseEachCornersSAndT) {
    GLuint quarters = 0;
    // Rows bottom up (t = 0 first): red, green / blue, white.
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    glGenTextures(1, &quarters);
    glBindTexture(GL_TEXTURE_2D, quarters);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    model.materials[0].texture = quarters;
    for (int32_t i = 0; i < model.triangleCount; ++i)
        for (int corner = 0; corner < 3; ++corner) {
            model.triangles[i].s[corner] = 0.75f;  // right column
            model.triangles[i].t[corner] = 0.25f;  // bottom row
        }
    model.render();
    const Rgba left = pixel(width / 4, height / 2);
    EXPECT_EQ(left.r, 0);
    EXPECT_EQ(left.g, 255);  // green, not blue (s and t swapped)
    EXPECT_EQ(left.b, 0);
    model.materials[0].texture = 0;
    glDeleteTextures(1, &quarters);
}

TEST_F(Ms3dRenderTest, RewrittenPositionsAreDrawnByTheNextCall) {
    model.render();
    EXPECT_EQ(pixel(width / 4, height / 2).g, 255);
    // Move every vertex off screen, as the morph scene rewrites positions.
    for (int32_t i = 0; i < model.vertexCount; ++i) model.vertices[i].location[0] += 5.0f;
    glClear(GL_COLOR_BUFFER_BIT);
    model.render();
    EXPECT_EQ(pixel(width / 4, height / 2).g, 0);
    EXPECT_EQ(pixel(3 * width / 4, height / 2).g, 0);
}

}  // namespace
