// SPDX-License-Identifier: MIT
// The bank on a headless GL context: slot order, filters, mipmaps only in
// slot 0, pixels released after upload, and the stop at the first failure.
#include <GL/gl.h>

#include <cstdio>

#include "assets/texture_bank.h"
#include "assets/tga.h"
#include "platform/data_path.h"
#include "platform/message_box.h"
#include "support/asset_files.h"
#include "support/gl_test.h"
#include "tga_writer.h"

namespace {

// The ten pictures as they ship (folder "Data"), each with a size of its own
// so that the size of a slot's texture tells which file went into it.
struct PictureFile {
    int slot;
    const char* name;
    uint32_t width, height;
    int bits;
};
const PictureFile pictureFiles[] = {
    {0, "Data/grass1.tga", 32, 16, 24},
    {1, "Data/Lights.tga", 6, 3, 32},
    {4, "Data/kuk.tga", 7, 3, 24},
    {5, "Data/title2.tga", 8, 3, 24},
    {6, "Data/gras.tga", 9, 3, 24},
    {7, "Data/suckscene.tga", 10, 3, 32},
    {8, "Data/atariscroller.tga", 11, 3, 24},
    {9, "Data/fractalzoomer.tga", 12, 3, 24},
    {10, "Data/kuktext.tga", 13, 3, 24},
    {11, "Data/credits.tga", 14, 3, 24},
};

TgaPicture pictureFor(const PictureFile& file) {
    TgaPicture picture;
    picture.width = file.width;
    picture.height = file.height;
    picture.bitsPerPixel = file.bits;
    const size_t bytes = size_t(file.width) * file.height * size_t(file.bits / 8);
    for (size_t i = 0; i < bytes; ++i) picture.pixels.push_back(uint8_t(file.slot * 16 + i * 7));
    return picture;
}

GLint levelParameter(int slot, GLint level, GLenum name) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, textureBank[slot].textureId);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint textureParameter(int slot, GLenum name) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, textureBank[slot].textureId);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

class TextureBankTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        captureMessageBoxes(true);
        takeCapturedMessageBoxes();
        for (const PictureFile& file : pictureFiles)
            writeTga(dir.file(file.name), pictureFor(file), file.slot % 2 == 1);
        setDataSearchRoots({dir.path()});
    }
    void TearDown() override {
        clearTextureBank();  // while the context is still current
        setDataSearchRoots({""});
        captureMessageBoxes(false);
        GlTest::TearDown();
    }

    void expectNothingUploaded() {
        for (int slot = 0; slot < textureBankSize; ++slot) {
            EXPECT_EQ(textureBank[slot].textureId, 0u) << slot;
            EXPECT_EQ(textureBank[slot].pixels, nullptr) << slot;
        }
    }

    ScratchFolder dir;
};

TEST_F(TextureBankTest, FillsAndUploadsTheTwelveSlotsInOrder) {
    ASSERT_TRUE(loadTextureBank("data/grass1.tga"));
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());

    // One name per slot, asked for in slot order, and no pixels kept.
    for (int slot = 0; slot < textureBankSize; ++slot) {
        EXPECT_NE(textureBank[slot].textureId, 0u) << slot;
        if (slot > 0) {
            EXPECT_GT(textureBank[slot].textureId, textureBank[slot - 1].textureId) << slot;
        }
        EXPECT_EQ(textureBank[slot].pixels, nullptr) << slot;
    }

    // Each slot holds its own source.
    for (const PictureFile& file : pictureFiles) {
        EXPECT_EQ(levelParameter(file.slot, 0, GL_TEXTURE_WIDTH), GLint(file.width)) << file.name;
        EXPECT_EQ(levelParameter(file.slot, 0, GL_TEXTURE_HEIGHT), GLint(file.height)) << file.name;
    }
    EXPECT_EQ(levelParameter(2, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(3, 0, GL_TEXTURE_WIDTH), 256);

    // The uploaded texels are the picture's (slot 1: a 32-bit, run-length
    // encoded file).
    const TgaPicture lights = pictureFor(pictureFiles[1]);
    std::vector<uint8_t> texels(lights.pixels.size());
    glBindTexture(GL_TEXTURE_2D, textureBank[1].textureId);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels, lights.pixels);
}

TEST_F(TextureBankTest, FiltersAndMipmapsPerSlot) {
    ASSERT_TRUE(loadTextureBank("data/grass1.tga"));
    for (int slot = 0; slot < textureBankSize; ++slot) {
        EXPECT_EQ(textureParameter(slot, GL_TEXTURE_MAG_FILTER), slot == 2 ? GL_NEAREST : GL_LINEAR) << slot;
        EXPECT_EQ(textureParameter(slot, GL_TEXTURE_MIN_FILTER), slot == 0 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
            << slot;
        EXPECT_EQ(textureParameter(slot, GL_TEXTURE_WRAP_S), GL_REPEAT) << slot;
        // Level 1 exists only where mipmaps were built.
        EXPECT_EQ(levelParameter(slot, 1, GL_TEXTURE_WIDTH) > 0, slot == 0) << slot;
    }
    // The whole chain down to 1 x 1 for the 32 x 16 grass.
    EXPECT_EQ(levelParameter(0, 5, GL_TEXTURE_WIDTH), 1);
    // A 24-bit picture in slot 0 is kept with four components; the other
    // slots keep the format of their source.
    EXPECT_GT(levelParameter(0, 0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(levelParameter(4, 0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_GT(levelParameter(1, 0, GL_TEXTURE_ALPHA_SIZE), 0);
}

TEST_F(TextureBankTest, AMissingLastPictureStopsAfterTheGeneratorsRan) {
    std::remove(dir.file("Data/credits.tga").c_str());
    EXPECT_TRUE(loadTextureBank("data/grass1.tga"));
    auto shown = takeCapturedMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Could not open texture file");
    expectNothingUploaded();
    EXPECT_EQ(textureBank[3].width, 256u);  // the fractal was computed
    EXPECT_EQ(textureBank[10].width, 13u);  // the slot before was filled
}

TEST_F(TextureBankTest, AMissingSlotOnePictureStopsBeforeTheGenerators) {
    std::remove(dir.file("Data/Lights.tga").c_str());
    EXPECT_TRUE(loadTextureBank("data/grass1.tga"));
    EXPECT_EQ(takeCapturedMessageBoxes().size(), 1u);
    expectNothingUploaded();
    EXPECT_EQ(textureBank[2].width, 0u);
    EXPECT_EQ(textureBank[3].width, 0u);
    EXPECT_EQ(textureBank[4].width, 0u);
}

TEST_F(TextureBankTest, ABrokenSlotZeroPictureStopsAtOnce) {
    dir.write("Data/grass1.tga", {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0});
    EXPECT_TRUE(loadTextureBank("data/grass1.tga"));
    auto shown = takeCapturedMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Invalid Image");
    expectNothingUploaded();
    EXPECT_EQ(textureBank[1].width, 0u);
}

// 24-bit rows whose length is no multiple of four bytes (37 x 3 = 111; 2 x 3
// = 6 in the mipmapped slot 0) come back texel for texel: read with GL's
// default row alignment they would be sheared and read past their end.
TEST_F(TextureBankTest, OddWidth24BitPicturesUploadUnsheared) {
    const PictureFile odd[] = {{0, "Data/grass1.tga", 2, 2, 24}, {4, "Data/kuk.tga", 37, 31, 24}};
    for (const PictureFile& file : odd) writeTga(dir.file(file.name), pictureFor(file), file.slot == 4);
    ASSERT_TRUE(loadTextureBank("data/grass1.tga"));
    ASSERT_TRUE(takeCapturedMessageBoxes().empty());

    for (const PictureFile& file : odd) {
        const TgaPicture picture = pictureFor(file);
        std::vector<uint8_t> texels(picture.pixels.size());
        glBindTexture(GL_TEXTURE_2D, textureBank[file.slot].textureId);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(texels, picture.pixels) << file.name;
    }
    // Whoever uploads next finds GL's default again.
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
}

// A picture wider than the driver's largest texture would load only to be
// refused by the driver, leaving a white slide without a word: while the
// bank loads, the loader's limit is the driver's (here with the loader's own
// cap lifted above it, as the cap alone would refuse it first). Afterwards
// the limit is the loader's again.
TEST_F(TextureBankTest, PicturesBeyondTheDriversLargestTextureAreRefusedByTheLoader) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    tgaSideLimit = uint32_t(largest) + 1;
    const PictureFile wide{5, "Data/title2.tga", uint32_t(largest) + 1, 1, 24};
    writeTga(dir.file(wide.name), pictureFor(wide), false);
    EXPECT_TRUE(loadTextureBank("data/grass1.tga"));
    const auto shown = takeCapturedMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invalid texture information");
    EXPECT_NE(shown[0].detail.find("title2.tga"), std::string::npos) << shown[0].detail;
    expectNothingUploaded();
    EXPECT_EQ(tgaSideLimit, uint32_t(largest) + 1);
    tgaSideLimit = tgaSideCap;
}

// An upload the driver refuses is reported with the slot's picture, and the
// slot keeps its name (drawn untextured, as with a missing picture). (Slot
// 0's mipmap builder scales a picture down to what the driver takes.)
TEST_F(TextureBankTest, AnUploadTheDriverRefusesIsReported) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    for (const int slot : {1, 5}) {
        TextureImage& image = textureBank[slot];
        image.width = uint32_t(largest) * 2;
        image.height = 1;
        image.format = GL_RGB;
        image.pixels.reset(new uint8_t[size_t(image.width) * 3]());
        uploadTextureSlot(slot);
        const auto shown = takeCapturedMessageBoxes();
        ASSERT_EQ(shown.size(), 1u) << slot;
        EXPECT_EQ(shown[0].text, "Could not upload texture");
        EXPECT_EQ(shown[0].caption, "ERROR");
        EXPECT_NE(shown[0].detail.find("texture slot " + std::to_string(slot)), std::string::npos) << shown[0].detail;
        EXPECT_NE(image.textureId, 0u);
        EXPECT_EQ(image.pixels, nullptr);
    }
    // A picture GL takes says nothing.
    TextureImage& small = textureBank[6];
    small.width = small.height = 2;
    small.format = GL_RGB;
    small.pixels.reset(new uint8_t[12]());
    uploadTextureSlot(6);
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
}

}  // namespace
