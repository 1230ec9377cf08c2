// SPDX-License-Identifier: MIT
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/timeline.h"
#include "assets/ms3d_model.h"
#include "assets/texture_bank.h"
#include "ms3d_writer.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "scenes/flower_scene.h"
#include "scenes/slides.h"
#include "state/run_state.h"
#include "support/asset_files.h"
#include "support/gl_test.h"

namespace {

void fillGrid(float (*height)(int i, int j)) {
    for (int i = 0; i < gridSize; ++i)
        for (int j = 0; j < gridSize; ++j) {
            grid[i][j][0] = float((i - 45) * 12);
            grid[i][j][1] = float((j - 45) * 12);
            grid[i][j][2] = height(i, j);
        }
}

void expectEveryNormal(int8_t x, int8_t y, int8_t z) {
    int wrong = 0;
    for (int i = 0; i < gridSize - 1; ++i)
        for (int j = 0; j < gridSize - 1; ++j)
            for (int n = 0; n < 2; ++n) {
                const int8_t* c = &gridNormals[i][j][3 * n];
                if ((c[0] != x || c[1] != y || c[2] != z) && ++wrong <= 3)
                    ADD_FAILURE() << "cell " << i << "," << j << " normal " << n << ": " << int(c[0]) << ","
                                  << int(c[1]) << "," << int(c[2]);
            }
    EXPECT_EQ(wrong, 0);
}

// A flower of one triangle standing at the origin.
std::vector<uint8_t> flowerModel() {
    Ms3dFile file;
    file.vertices = {{-40.0f, 0.0f, 0.0f}, {40.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 80.0f}};
    Ms3dTriangleRecord triangle;
    triangle.vertexIndices[0] = 0;
    triangle.vertexIndices[1] = 1;
    triangle.vertexIndices[2] = 2;
    file.triangles = {triangle};
    Ms3dGroupRecord group;
    group.name = "flower";
    group.triangleIndices = {0};
    file.groups = {group};
    return encodeMs3d(file);
}

class FlowerScene : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRun();
        savedRoots = dataSearchRoots();
        setDataSearchRoots({data.path()});
        captureMessageBoxes(true);
        beginSlideMode();  // the slide before the scene, as in the programme
    }
    void TearDown() override {
        delete modelA;
        modelA = nullptr;
        captureMessageBoxes(false);
        setDataSearchRoots(savedRoots);
        resetRun();
        GlTest::TearDown();
    }
    void writeFlower() { data.write("Data/blomma.ms3d", flowerModel()); }

    ScratchFolder data;
    std::vector<std::string> savedRoots;
};

}  // namespace

TEST(FlowerVectors, CrossProductAndNormalize) {
    const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    float r[3];
    crossProduct(x, y, r);
    EXPECT_EQ(r[0], 0.0f);
    EXPECT_EQ(r[1], 0.0f);
    EXPECT_EQ(r[2], 1.0f);
    const float a[3] = {2, 3, 4}, b[3] = {5, 6, 7};
    crossProduct(a, b, r);  // (3*7-4*6, 4*5-2*7, 2*6-3*5)
    EXPECT_EQ(r[0], -3.0f);
    EXPECT_EQ(r[1], 6.0f);
    EXPECT_EQ(r[2], -3.0f);

    float v[3] = {3, 0, -4};
    EXPECT_EQ(normalizeVector(v), 5.0f);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_FLOAT_EQ(v[2], -0.8f);
    float zero[3] = {0, 0, 0};
    EXPECT_EQ(normalizeVector(zero), 0.0f);
    EXPECT_EQ(zero[0], 0.0f);
    EXPECT_FALSE(std::isnan(zero[1]));
}

TEST(FlowerNormals, FlatAndSlopedGridsAsSignedBytes) {
    fillGrid([](int, int) { return -1150.0f; });
    computeGridNormals();
    expectEveryNormal(0, 0, 127);

    // z rising one unit per unit of x: both triangles' normal is
    // (-1, 0, 1)/sqrt 2, and -0.707 x 127 = -89.8 truncates towards zero.
    fillGrid([](int i, int) { return float((i - 45) * 12); });
    computeGridNormals();
    expectEveryNormal(-89, 0, 89);
}

TEST_F(FlowerScene, GridRipplesInsideItsWallsAndFirstFrameIsDark) {
    writeFlower();
    ASSERT_EQ(setupFlowerScene(), 1);
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    ASSERT_NE(modelA, nullptr);
    EXPECT_EQ(modelA->vertexCount, 3);
    EXPECT_EQ(grid[0][0][0], -540.0f);
    EXPECT_EQ(grid[89][89][1], 528.0f);
    EXPECT_EQ(grid[45][45][2], -1150.0f);

    frameDelta = 0.0;
    EXPECT_EQ(drawFlowerFrame(), 1);

    EXPECT_EQ(grid[45][45][2], -200.0f);
    EXPECT_EQ(grid[45][55][2], float(std::cos(100 / 250.0) * 80.0 - 280.0));
    EXPECT_EQ(grid[1][2][2], float(std::cos((43 * 43 + 44 * 44) / 250.0) * 80.0 - 280.0));
    for (int k = 0; k < gridSize; ++k) {
        EXPECT_EQ(grid[k][1][2], -1150.0f) << "column 1, row " << k;
        EXPECT_EQ(grid[k][0][2], -1150.0f) << "column 0, row " << k;
        EXPECT_EQ(grid[k][89][2], -1150.0f) << "column 89, row " << k;
        EXPECT_EQ(grid[0][k][2], -1150.0f) << "row 0, column " << k;
        EXPECT_EQ(grid[89][k][2], -1150.0f) << "row 89, column " << k;
    }
    // The walls at the rim tilt the normals of the cells next to them.
    EXPECT_NE(gridNormals[0][5][0], 0);

    // rotY 0: black background and black light colours.
    GLfloat clear[4], ambient[4], diffuse[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(clear[c], 0.0f);
        EXPECT_EQ(ambient[c], 0.0f);
        EXPECT_EQ(diffuse[c], 0.0f);
    }
    EXPECT_FLOAT_EQ(ambient[3], 0.7f);

    // Lit only by the global ambient light, the grid still shows.
    auto pixels = frame();
    int drawn = 0;
    for (size_t p = 0; p < pixels.size(); p += 4) drawn += (pixels[p] | pixels[p + 1] | pixels[p + 2]) != 0;
    EXPECT_GT(drawn, 1000);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(FlowerScene, SurfaceFreezesFrom900) {
    writeFlower();
    ASSERT_EQ(setupFlowerScene(), 1);
    frameDelta = 0.0;
    rotY = 880.0f;
    drawFlowerFrame();
    std::vector<float> frozenGrid(&grid[0][0][0], &grid[0][0][0] + sizeof grid / sizeof(float));
    std::vector<int8_t> frozenNormals(&gridNormals[0][0][0], &gridNormals[0][0][0] + sizeof gridNormals);

    // This frame begins below 900 but its advance crosses it: no ripple.
    rotY = 899.9f;
    frameDelta = 0.01;
    drawFlowerFrame();
    EXPECT_GE(rotY, 900.0f);
    EXPECT_EQ(0, std::memcmp(frozenGrid.data(), grid, sizeof grid));
    EXPECT_EQ(0, std::memcmp(frozenNormals.data(), gridNormals, sizeof gridNormals));
    const float before = rotY;
    drawFlowerFrame();  // and the clocks keep running
    EXPECT_EQ(rotY, float(before + 33.0 * 0.01));
    EXPECT_EQ(rotX, float(float(0.0 + 33.0 * 0.01) + 33.0 * 0.01));
    EXPECT_EQ(0, std::memcmp(frozenGrid.data(), grid, sizeof grid));

    // Just below 900 the surface still changes.
    rotY = 899.0f;
    frameDelta = 0.0;
    drawFlowerFrame();
    EXPECT_NE(0, std::memcmp(frozenGrid.data(), grid, sizeof grid));
}

TEST_F(FlowerScene, FlashDrivesTheBackgroundAheadOfTheLight) {
    writeFlower();
    ASSERT_EQ(setupFlowerScene(), 1);
    rotY = 30.0f;
    flashLevel = 100.0f;
    frameDelta = 0.0;
    drawFlowerFrame();
    GLfloat clear[4], ambient[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(clear[0], float((1 - std::cos(0.005 * 3000.0)) / 3.0));
    EXPECT_FLOAT_EQ(ambient[0], float((1 - std::cos(0.005 * 30.0)) / 3.0));
    EXPECT_FLOAT_EQ(ambient[1], float((1 - std::cos(30.0 / 75.0)) / 6.0));
}

// The grid is textured from slot 0 (the grass): with slot 0 pure red and
// every other slot pure blue, the grid shows red and nowhere blue.
TEST_F(FlowerScene, GridIsTexturedFromSlotZero) {
    Ms3dFile dot;  // a flower that draws nothing over the grid
    dot.vertices = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    Ms3dTriangleRecord triangle;
    triangle.vertexIndices[1] = 1;
    triangle.vertexIndices[2] = 2;
    dot.triangles = {triangle};
    Ms3dGroupRecord group;
    group.triangleIndices = {0};
    dot.groups = {group};
    data.write("Data/blomma.ms3d", encodeMs3d(dot));

    GLuint names[textureBankSize];
    glGenTextures(textureBankSize, names);
    for (int slot = 0; slot < textureBankSize; ++slot) {
        const uint8_t texel[3] = {uint8_t(slot == 0 ? 255 : 0), 0, uint8_t(slot == 0 ? 0 : 255)};
        glBindTexture(GL_TEXTURE_2D, names[slot]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
        textureBank[slot].textureId = names[slot];
    }
    ASSERT_EQ(setupFlowerScene(), 1);
    frameDelta = 0.0;
    drawFlowerFrame();
    const auto pixels = frame();
    for (TextureImage& slot : textureBank) slot.textureId = 0;
    glDeleteTextures(textureBankSize, names);

    int red = 0, blue = 0;
    for (size_t p = 0; p < pixels.size(); p += 4) {
        red += pixels[p] != 0;
        blue += pixels[p + 2] != 0;
    }
    EXPECT_GT(red, 1000);
    EXPECT_EQ(blue, 0);
}

// No model file: the box is shown, the GL state is left alone and no grid
// is built; the frames that follow draw no grid (not even one left over from
// an earlier run) and keep the clocks running.
TEST_F(FlowerScene, FailedSetUpDrawsNoGrid) {
    // An earlier run of the scene built and rippled a grid.
    writeFlower();
    ASSERT_EQ(setupFlowerScene(), 1);
    drawFlowerFrame();
    std::filesystem::remove(data.file("Data/blomma.ms3d"));

    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    EXPECT_EQ(setupFlowerScene(), 0);
    auto boxes = takeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Couldn't load the model data\\model.ms3d");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, MB_ICONERROR);
    EXPECT_FALSE(flowerGridBuilt());
    ASSERT_NE(modelA, nullptr);
    EXPECT_EQ(modelA->vertexCount, 0);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[1], 0.5f);

    rotY = 300.0f;
    frameDelta = 0.5;
    EXPECT_EQ(drawFlowerFrame(), 1);
    EXPECT_EQ(rotY, 316.5f);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    auto pixels = frame();
    const Rgba background = pixelAt(pixels, 0, 0);
    EXPECT_NE(background.g, 0);  // the cycling background at rotY 300
    int other = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgba p = pixelAt(pixels, x, y);
            other += p.r != background.r || p.g != background.g || p.b != background.b;
        }
    EXPECT_EQ(other, 0);
}

// The scene as its row holds it: the tear-down destroys the flower's model
// when there is one and leaves the pointer empty either way; the reset
// forgets the grid a run built.
TEST_F(FlowerScene, TheSceneValueReleasesItsModelAndForgetsItsGrid) {
    const Scene scene = flowerScene();
    writeFlower();
    scene.setUp();
    ASSERT_NE(modelA, nullptr);
    ASSERT_TRUE(flowerGridBuilt());
    scene.tearDown();
    EXPECT_EQ(modelA, nullptr);
    scene.tearDown();
    EXPECT_EQ(modelA, nullptr);
    scene.reset();
    EXPECT_FALSE(flowerGridBuilt());
}
