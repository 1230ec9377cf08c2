// SPDX-License-Identifier: MIT
// The two generated textures. The fractal's figures depend on where values
// are rounded to single precision, so they pin the arithmetic down exactly.
#include <gtest/gtest.h>

#include <array>

#include "assets/procedural_textures.h"

namespace {

using Texel = std::array<int, 4>;

Texel texelAt(const TextureImage& image, int column, int row) {
    const uint8_t* p = image.pixels.get() + (size_t(row) * image.width + size_t(column)) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(CheckerTexture, IsFourByFourYellowAndBlueStartingYellow) {
    TextureImage image;
    ASSERT_TRUE(buildCheckerTexture(image));
    EXPECT_EQ(image.width, 4u);
    EXPECT_EQ(image.height, 4u);
    EXPECT_EQ(image.format, GLenum(GL_RGB));
    const std::vector<uint8_t> yellow{255, 255, 0}, blue{0, 0, 255};
    std::vector<uint8_t> expected;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const auto& colour = (row + column) % 2 == 0 ? yellow : blue;
            expected.insert(expected.end(), colour.begin(), colour.end());
        }
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.get(), image.pixels.get() + 48), expected);
}

class FractalTexture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        image = new TextureImage;
        ASSERT_TRUE(buildFractalTexture(*image));
    }
    static void TearDownTestSuite() {
        delete image;
        image = nullptr;
    }
    static TextureImage* image;
};
TextureImage* FractalTexture::image = nullptr;

TEST_F(FractalTexture, SetsItsParametersAndSize) {
    EXPECT_EQ(fractalCentreRe, -1.0f);
    EXPECT_EQ(fractalCentreIm, 0.0f);
    EXPECT_EQ(fractalStep, 0.012f);
    EXPECT_EQ(fractalBailout, 100);
    EXPECT_EQ(image->width, 256u);
    EXPECT_EQ(image->height, 256u);
    EXPECT_EQ(image->format, GLenum(GL_RGBA));
}

TEST_F(FractalTexture, CountsMatchTheKnownFigures) {
    int saturated = 0;
    int lowest = 255;
    for (int row = 0; row < 256; ++row)
        for (int column = 0; column < 256; ++column) {
            const Texel t = texelAt(*image, column, row);
            saturated += t[0] == 255;
            lowest = std::min(lowest, t[0]);
            ASSERT_LE(t[1], t[2]) << column << "," << row;
            ASSERT_LE(t[2], t[0]) << column << "," << row;
            ASSERT_EQ(t[0], t[3]) << column << "," << row;
        }
    EXPECT_EQ(saturated, 10606);
    EXPECT_EQ(lowest, 2);

    EXPECT_EQ(texelAt(*image, 128, 128), (Texel{255, 204, 229, 255}));
    EXPECT_EQ(texelAt(*image, 64, 128), (Texel{255, 204, 229, 255}));
    EXPECT_EQ(texelAt(*image, 0, 0), (Texel{2, 1, 1, 2}));
    EXPECT_EQ(texelAt(*image, 255, 128), (Texel{5, 4, 4, 5}));
    EXPECT_EQ(texelAt(*image, 128, 0), (Texel{3, 2, 2, 3}));
    EXPECT_EQ(texelAt(*image, 100, 100), (Texel{7, 5, 6, 7}));
}

TEST_F(FractalTexture, RealAxisIsBoundedExactlyFromColumn45To232) {
    for (int column = 0; column < 256; ++column) {
        const bool inside = column >= 45 && column <= 232;
        EXPECT_EQ(texelAt(*image, column, 128)[0] == 255, inside) << "column " << column;
    }
}

TEST_F(FractalTexture, RendererFollowsItsParameters) {
    // A 2 x 2 picture around a point far outside the set escapes at once;
    // around the origin it never does.
    TextureImage small;
    small.width = 2;
    small.height = 2;
    small.pixels.reset(new uint8_t[16]());
    const float savedRe = fractalCentreRe, savedStep = fractalStep;
    fractalCentreRe = 50.0f;
    fractalStep = 0.001f;
    renderFractal(small);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(small.pixels[size_t(i) * 4], 1) << i;
    fractalCentreRe = 0.0f;
    renderFractal(small);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(small.pixels[size_t(i) * 4], 255) << i;
    fractalCentreRe = savedRe;
    fractalStep = savedStep;
}

}  // namespace
