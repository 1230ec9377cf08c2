// SPDX-License-Identifier: MIT
// The application icon: the letter is the font's own "G" (not mirrored,
// flipped or filled wrongly), every raster size is a clean tile, and the
// scalable SVG draws the same picture as the raster icons.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "icon_art.h"
#include "text.h"

namespace {

LetterShape titleLetter() {
    LetterShape letter;
    std::string error;
    EXPECT_TRUE(loadTitleLetter(letter, error)) << error;
    return letter;
}

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};

// Bounding box of the cells above one half.
Box inkBox(const std::vector<float>& coverage, int width, int height) {
    Box box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (coverage[size_t(y) * width + x] > 0.5f) {
                box.x0 = std::min(box.x0, x);
                box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x);
                box.y1 = std::max(box.y1, y);
            }
    return box;
}

// RGBA pixels of a PNG file as floats, or an empty vector.
std::vector<float> readPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
    width = int(image.width);
    height = int(image.height);
    std::vector<float> pixels;
    pixels.reserve(bytes.size());
    for (png_byte b : bytes) pixels.push_back(float(b) / 255.0f);
    return pixels;
}

}  // namespace

// The outline walk, the flip to y-down and the nonzero fill together must
// give the shape FreeType itself renders for the glyph.
TEST(IconArt, LetterMatchesTheFontsOwnRendering) {
    const LetterShape letter = titleLetter();
    ASSERT_FALSE(letter.steps.empty());
    EXPECT_NEAR(letter.maxY - letter.minY, 0.56f, 1e-3f);
    EXPECT_NEAR(0.5f * (letter.minX + letter.maxX), 0.5f, 1e-3f);
    EXPECT_GT(letter.minX, 0.0625f);  // inside the tile
    EXPECT_LT(letter.maxX, 0.9375f);

    const int size = 256;
    const std::vector<float> ours = rasteriseLetter(letter, size);
    const Box ourBox = inkBox(ours, size, size);

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, findFontFile(FontStyle::SerifBoldItalic).c_str(), 0, &face), 0);
    // Scale the font so that its G is as tall as ours.
    ASSERT_EQ(FT_Load_Char(face, 'G', FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING), 0);
    FT_BBox units;
    FT_Outline_Get_CBox(&face->glyph->outline, &units);
    const double pixelsPerUnit = double(ourBox.y1 - ourBox.y0 + 1) / double(units.yMax - units.yMin);
    FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(pixelsPerUnit * face->units_per_EM * 64)), 72, 72);
    ASSERT_EQ(FT_Load_Char(face, 'G', FT_LOAD_NO_HINTING | FT_LOAD_RENDER), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int w = int(bitmap.width), h = int(bitmap.rows);
    std::vector<float> theirs(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) theirs[size_t(y) * w + x] = bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    const Box theirBox = inkBox(theirs, w, h);

    // Lay their ink box on ours and count agreeing ink.
    int both = 0, either = 0;
    for (int y = ourBox.y0; y <= ourBox.y1; ++y)
        for (int x = ourBox.x0; x <= ourBox.x1; ++x) {
            int tx = x - ourBox.x0 + theirBox.x0, ty = y - ourBox.y0 + theirBox.y0;
            bool a = ours[size_t(y) * size + x] > 0.5f;
            bool b = tx < w && ty < h && theirs[size_t(ty) * w + tx] > 0.5f;
            both += a && b;
            either += a || b;
        }
    ASSERT_GT(either, 1000);
    EXPECT_GT(double(both) / either, 0.9) << "the letter differs from the font's G";
}

TEST(IconArt, EveryRasterSizeIsATileWithTheLetterOnIt) {
    const LetterShape letter = titleLetter();
    for (int size : iconSizes()) {
        SCOPED_TRACE(size);
        const Canvas icon = paintIcon(letter, size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        // Clear outside the rounded corners and in the margin, opaque within.
        EXPECT_EQ(icon.get(0, 0).a, 0.0f);
        EXPECT_EQ(icon.get(size - 1, size - 1).a, 0.0f);
        EXPECT_EQ(icon.get(size / 2, 0).a, 0.0f);
        EXPECT_GT(icon.get(size / 2, size / 8 + 1).a, 0.99f);
        EXPECT_GT(icon.get(size / 8 + 1, size / 2).a, 0.99f);
        // No colour out of range after blending and averaging.
        for (float v : icon.rgba) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << v;
        // The light letter stands out of the dark sky: some pixels near
        // white, while the sky's top stays dark.
        int light = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                Colour c = icon.get(x, y);
                light += c.a > 0.99f && (c.r + c.g + c.b) / 3 > 0.8f;
            }
        EXPECT_GT(light, size * size / 50);
        EXPECT_LT(light, size * size / 3);
        if (size >= 32) {  // below that the letter's glow reaches the tile's top
            Colour sky = icon.get(size / 2, size / 8 + 1);
            EXPECT_LT((sky.r + sky.g + sky.b) / 3, 0.35f);
        }
    }
}

// An SVG renderer draws the document the way the raster icon looks: the
// path data, gradients and glow all say what the painter does.
TEST(IconArt, ScalableIconDrawsTheSamePicture) {
    if (std::system("command -v rsvg-convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    const LetterShape letter = titleLetter();
    const std::string svgPath = "icon_art_test.svg", pngPath = "icon_art_test.png";
    {
        std::ofstream svg(svgPath, std::ios::binary);
        svg << iconSvg(letter);
    }
    ASSERT_EQ(std::system(("rsvg-convert -w 256 -h 256 -o " + pngPath + " " + svgPath).c_str()), 0);
    int width = 0, height = 0;
    const std::vector<float> drawn = readPng(pngPath, width, height);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    const Canvas painted = paintIcon(letter, 256);

    // Compare premultiplied colour, so that colour under full transparency
    // does not count.
    double difference = 0.0;
    int letterBoth = 0, letterEither = 0;
    for (size_t i = 0; i < drawn.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            difference += std::fabs(drawn[i + c] * drawn[i + 3] - painted.rgba[i + c] * painted.rgba[i + 3]);
        difference += std::fabs(drawn[i + 3] - painted.rgba[i + 3]);
        bool a = (drawn[i] + drawn[i + 1] + drawn[i + 2]) / 3 > 0.8f;
        bool b = (painted.rgba[i] + painted.rgba[i + 1] + painted.rgba[i + 2]) / 3 > 0.8f;
        letterBoth += a && b;
        letterEither += a || b;
    }
    const double meanDifference = difference / double(drawn.size());
    EXPECT_LT(meanDifference, 0.02);
    ASSERT_GT(letterEither, 0);
    EXPECT_GT(double(letterBoth) / letterEither, 0.9);
    std::remove(svgPath.c_str());
    std::remove(pngPath.c_str());
}
