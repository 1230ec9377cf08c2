// SPDX-License-Identifier: MIT
// The TGA reader: which files it takes, the one message of each refusal,
// pixel order and the run-length decoder's bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <tuple>

#include "assets/tga.h"
#include "platform/message_box.h"
#include "support/asset_files.h"
#include "tga_writer.h"

// The largest array the code under test asks for with new[] (the loader
// reserves its pixel buffer so), to see what a header makes it reserve.
size_t largestArrayRequest = 0;

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    largestArrayRequest = std::max(largestArrayRequest, size);
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size) {
    if (void* p = operator new[](size, std::nothrow)) return p;
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using Bytes = std::vector<uint8_t>;

// 18-byte header of the given type, size and depth.
Bytes tgaHeader(uint8_t type, uint16_t width, uint16_t height, uint8_t depth, uint8_t descriptor = 0) {
    return {0,
            0,
            type,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(height),
            uint8_t(height >> 8),
            depth,
            descriptor};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes repeat(const Bytes& part, size_t times) {
    Bytes out;
    out.reserve(part.size() * times);
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), part.begin(), part.end());
    return out;
}

class TgaTest : public ::testing::Test {
protected:
    void SetUp() override { captureMessageBoxes(true); }
    void TearDown() override {
        captureMessageBoxes(false);
        tgaPixelBufferLimit = 4ull * 65535 * 65535;
        tgaSideLimit = tgaSideCap;
    }

    // Loads bytes written to a file; the boxes shown are left in `messages`.
    bool load(const Bytes& bytes) {
        takeCapturedMessageBoxes();
        image = TextureImage{};
        bool ok = loadTga(image, dir.write("picture.tga", bytes).c_str());
        messages = takeCapturedMessageBoxes();
        return ok;
    }

    void expectRefused(const Bytes& bytes, const std::string& text, const std::string& caption = "ERROR") {
        EXPECT_FALSE(load(bytes)) << text;
        EXPECT_EQ(image.pixels, nullptr) << text;
        ASSERT_EQ(messages.size(), 1u) << text;
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].caption, caption);
        EXPECT_EQ(messages[0].style, MB_OK);
    }

    // For ASSERT_TRUE: a picture that did not load stops the caller before
    // it reads the pixels.
    ::testing::AssertionResult loads(const Bytes& bytes) {
        const bool ok = load(bytes);
        if (!messages.empty()) return ::testing::AssertionFailure() << "refused: " << messages[0].text;
        if (!ok || image.pixels == nullptr) return ::testing::AssertionFailure() << "no pixels";
        return ::testing::AssertionSuccess();
    }

    Bytes pixelsOf(size_t bytesPerPixel) const {
        if (!image.pixels) return {};
        return Bytes(image.pixels.get(), image.pixels.get() + size_t(image.width) * image.height * bytesPerPixel);
    }

    ScratchFolder dir;
    TextureImage image;
    std::vector<MessageBoxRecord> messages;
};

const char* const wrongType = "TGA file be type 2 or type 10 ";

TEST_F(TgaTest, OnlyTrueColourTypesWithoutIdColourMapOrOriginAreTaken) {
    const Bytes pixel{1, 2, 3};
    for (uint8_t type : {2, 10}) {
        const Bytes body = type == 2 ? pixel : Bytes{0} + pixel;
        Bytes withId = tgaHeader(type, 1, 1, 24) + Bytes{9} + body;
        withId[0] = 1;  // one byte of image ID
        expectRefused(withId, wrongType, "Invalid Image");

        Bytes colourMapped = tgaHeader(type, 1, 1, 24) + body;
        colourMapped[1] = 1;
        expectRefused(colourMapped, wrongType, "Invalid Image");

        for (size_t byte = 3; byte < 12; ++byte) {  // colour-map fields and both origins
            Bytes shifted = tgaHeader(type, 1, 1, 24) + body;
            shifted[byte] = 1;
            expectRefused(shifted, wrongType, "Invalid Image");
        }
    }
    for (uint8_t type : {0, 1, 3, 9, 11}) expectRefused(tgaHeader(type, 1, 1, 24) + pixel, wrongType, "Invalid Image");
}

TEST_F(TgaTest, DepthOtherThan24Or32AndEmptySizesAreInvalid) {
    for (uint8_t type : {2, 10}) {
        for (uint8_t depth : {0, 8, 15, 16, 31, 33})
            expectRefused(tgaHeader(type, 1, 1, depth) + Bytes(8, 0), "Invalid texture information");
        expectRefused(tgaHeader(type, 0, 1, 24) + Bytes(8, 0), "Invalid texture information");
        expectRefused(tgaHeader(type, 1, 0, 24) + Bytes(8, 0), "Invalid texture information");
    }
}

TEST_F(TgaTest, ShortFilesAreRefusedWithTheMessageOfWhereTheyEnd) {
    const Bytes full = tgaHeader(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5, 6};
    expectRefused({}, "Could not read file header");
    expectRefused(Bytes(full.begin(), full.begin() + 11), "Could not read file header");
    for (size_t length = 12; length < 18; ++length)
        expectRefused(Bytes(full.begin(), full.begin() + long(length)), "Could not read info header");
    for (size_t length = 18; length < full.size(); ++length)
        expectRefused(Bytes(full.begin(), full.begin() + long(length)), "Could not read image data");
    ASSERT_TRUE(loads(full));
    ASSERT_TRUE(loads(full + Bytes(26, 0xEE)));  // a footer is never read

    // Type 10 also reads its info header before anything else.
    const Bytes rle = tgaHeader(10, 1, 1, 24);
    for (size_t length = 12; length < 18; ++length)
        expectRefused(Bytes(rle.begin(), rle.begin() + long(length)), "Could not read info header");
}

TEST_F(TgaTest, MissingFileAndAllocationFailureHaveTheirMessages) {
    TextureImage missing;
    takeCapturedMessageBoxes();
    EXPECT_FALSE(loadTga(missing, dir.file("absent.tga").c_str()));
    auto shown = takeCapturedMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Could not open texture file");
    EXPECT_EQ(shown[0].caption, "ERROR");
    // The box keeps its words; stderr adds the file and where it was sought.
    EXPECT_NE(shown[0].detail.find(dir.file("absent.tga")), std::string::npos) << shown[0].detail;
    EXPECT_NE(shown[0].detail.find("not found"), std::string::npos) << shown[0].detail;
    // A folder in the picture's place is not a file that can be opened.
    EXPECT_FALSE(loadTga(missing, dir.path().c_str()));
    shown = takeCapturedMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Could not open texture file");

    // The largest header declares 4 x 65535 x 65535 bytes, more than 32 bits
    // hold: with the limit one byte below it the size must be seen as too big
    // (a size that wrapped to 32 bits would look small enough). The side
    // limit, which would refuse it first, is lifted for this.
    tgaSideLimit = 65535;
    tgaPixelBufferLimit = 4ull * 65535 * 65535 - 1;
    expectRefused(tgaHeader(2, 65535, 65535, 32) + Bytes(64, 0), "Could not allocate memory for image");
    expectRefused(tgaHeader(10, 65535, 65535, 32) + Bytes(64, 0), "Could not allocate memory for image");

    tgaPixelBufferLimit = 12;  // exactly a 2 x 2 picture at 24 bits
    ASSERT_TRUE(loads(tgaHeader(2, 2, 2, 24) + Bytes(12, 7)));
    expectRefused(tgaHeader(2, 2, 2, 32) + Bytes(16, 7), "Could not allocate memory for image");
}

TEST_F(TgaTest, EveryRefusalClosesItsFile) {
    const std::vector<Bytes> refused{
        {},
        tgaHeader(3, 1, 1, 24),
        Bytes(15, 0),
        tgaHeader(2, 1, 1, 16),
        tgaHeader(2, 4, 4, 24),
        tgaHeader(10, 2, 2, 24),
        tgaHeader(10, 2, 2, 24) + Bytes{3, 1},
        tgaHeader(10, 2, 2, 24) + Bytes{131},
        tgaHeader(10, 2, 2, 24) + Bytes{132, 1, 2, 3},
    };
    const int before = openFileDescriptorCount();
    for (int round = 0; round < 3; ++round)
        for (const Bytes& bytes : refused) EXPECT_FALSE(load(bytes));
    ASSERT_TRUE(loads(tgaHeader(2, 1, 1, 24) + Bytes{1, 2, 3}));
    EXPECT_EQ(openFileDescriptorCount(), before);
}

TEST_F(TgaTest, PixelsComeOutRedGreenBlueAlphaInFileRowOrder) {
    ASSERT_TRUE(loads(tgaHeader(2, 1, 1, 24) + Bytes{0x10, 0x20, 0x30}));
    EXPECT_EQ(pixelsOf(3), (Bytes{0x30, 0x20, 0x10}));
    EXPECT_EQ(image.format, GLenum(GL_RGB));
    EXPECT_EQ(image.bitsPerPixel, 24u);

    ASSERT_TRUE(loads(tgaHeader(2, 1, 1, 32) + Bytes{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(pixelsOf(4), (Bytes{0x30, 0x20, 0x10, 0x40}));
    EXPECT_EQ(image.format, GLenum(GL_RGBA));
    EXPECT_EQ(image.bitsPerPixel, 32u);

    ASSERT_TRUE(loads(tgaHeader(10, 1, 1, 32) + Bytes{0, 0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(pixelsOf(4), (Bytes{0x30, 0x20, 0x10, 0x40}));

    // A top-left origin in the descriptor changes nothing: rows stay in file
    // order.
    ASSERT_TRUE(loads(tgaHeader(2, 1, 2, 24, 0x20) + Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(pixelsOf(3), (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST_F(TgaTest, WrittenPicturesReadBackUnchanged) {
    std::mt19937 random(7);
    for (int depth : {24, 32}) {
        for (bool rle : {false, true}) {
            TgaPicture picture;
            picture.width = 37;  // odd widths: runs cross row ends
            picture.height = 11;
            picture.bitsPerPixel = depth;
            const size_t bytesPerPixel = size_t(depth / 8);
            // Stretches of equal pixels between random ones, so that the
            // encoder writes both kinds of packet, some longer than 128.
            for (size_t i = 0; i < size_t(picture.width) * picture.height; ++i) {
                const bool plain = (i / 150) % 2 == 1;
                for (size_t c = 0; c < bytesPerPixel; ++c)
                    picture.pixels.push_back(plain ? uint8_t(40 + c) : uint8_t(random()));
            }
            ASSERT_TRUE(loads(encodeTga(picture, rle)));
            EXPECT_EQ(image.width, 37u);
            EXPECT_EQ(image.height, 11u);
            EXPECT_EQ(pixelsOf(bytesPerPixel), picture.pixels) << depth << " bits, rle " << rle;
        }
    }
}

TEST_F(TgaTest, RunLengthPacketsAtTheirLimits) {
    // 258 pixels in rows of 86: a raw packet of 1 (header 0), a raw packet of
    // 128 (127), a run of 1 (128) and a run of 128 (255), crossing row ends.
    Bytes stream{0, 1, 1, 1};
    stream.push_back(127);
    for (int i = 0; i < 128; ++i) stream = stream + Bytes{uint8_t(i), uint8_t(i + 1), uint8_t(i + 2)};
    stream = stream + Bytes{128, 200, 201, 202} + Bytes{255, 9, 8, 7};
    ASSERT_TRUE(loads(tgaHeader(10, 86, 3, 24) + stream));

    Bytes expected{1, 1, 1};
    for (int i = 0; i < 128; ++i) expected = expected + Bytes{uint8_t(i + 2), uint8_t(i + 1), uint8_t(i)};
    expected = expected + Bytes{202, 201, 200} + repeat({7, 8, 9}, 128);
    EXPECT_EQ(pixelsOf(3), expected);

    // One run packet covering both rows of a 2 x 2 picture.
    ASSERT_TRUE(loads(tgaHeader(10, 2, 2, 32) + Bytes{131, 1, 2, 3, 4}));
    EXPECT_EQ(pixelsOf(4), repeat({3, 2, 1, 4}, 4));
}

TEST_F(TgaTest, PacketsThatOverfillThePictureAreRefused) {
    expectRefused(tgaHeader(10, 2, 2, 24) + Bytes{132, 1, 2, 3}, "Too many pixels read");
    expectRefused(tgaHeader(10, 2, 2, 24) + Bytes{4} + Bytes(15, 1), "Too many pixels read");
    // Full after three pixels, then a run of two for the last one.
    expectRefused(tgaHeader(10, 2, 2, 24) + Bytes{130, 1, 2, 3, 129, 4, 5, 6}, "Too many pixels read");
    // The largest run into a one-pixel picture.
    expectRefused(tgaHeader(10, 1, 1, 32) + Bytes{255, 1, 2, 3, 4}, "Too many pixels read");
    // A raw packet that overfills but whose surplus pixel is missing ends at
    // the missing pixel, as a pixel-by-pixel reader would.
    expectRefused(tgaHeader(10, 1, 1, 24) + Bytes{1, 1, 2, 3}, "Could not read image data");
}

TEST_F(TgaTest, RunLengthStreamsThatEndEarly) {
    const Bytes header = tgaHeader(10, 2, 2, 24);
    expectRefused(header, "Could not read RLE header");
    expectRefused(header + Bytes{129, 1, 2, 3}, "Could not read RLE header");  // ends at a packet boundary
    expectRefused(header + Bytes{1, 1, 2, 3, 4, 5}, "Could not read image data");
    expectRefused(header + Bytes{0}, "Could not read image data");
    expectRefused(header + Bytes{129, 1, 2}, "Could not read from file");
    expectRefused(header + Bytes{129}, "Could not read from file");
    // Once the picture is full nothing more is read, not even a broken packet.
    ASSERT_TRUE(loads(header + Bytes{131, 1, 2, 3} + Bytes{255, 0}));
}

// A short file whose header claims a huge picture is refused with the
// message its data would have run out at, before anything is reserved; a
// large picture the file really holds still loads.
TEST_F(TgaTest, ClaimsTheFileCannotHoldReserveNothing) {
    tgaSideLimit = 65535;  // the decoders' own bounds, behind the side limit
    largestArrayRequest = 0;
    expectRefused(tgaHeader(2, 65535, 65535, 32) + Bytes(2, 0), "Could not read image data");
    // 128-pixel runs: 2 KB give 65,536 pixels, far fewer than claimed.
    expectRefused(tgaHeader(10, 65535, 65535, 24) + repeat({255, 1, 2, 3}, 512), "Could not read RLE header");
    expectRefused(tgaHeader(10, 65535, 65535, 24) + repeat({255, 1, 2, 3}, 512) + Bytes{3, 1, 2},
                  "Could not read image data");
    expectRefused(tgaHeader(10, 65535, 65535, 32) + Bytes{255, 1, 2}, "Could not read from file");
    // One byte short of its last pixel: the bound lets it through to the
    // decoder, which says the same.
    expectRefused(tgaHeader(2, 300, 200, 24) + Bytes(300 * 200 * 3 - 1, 5), "Could not read image data");
    EXPECT_LT(largestArrayRequest, size_t(1) << 20);

    // Exactly as many runs as the picture needs: 4096 x 2048 pixels from
    // 64 K packets.
    ASSERT_TRUE(loads(tgaHeader(10, 4096, 2048, 24) + repeat({255, 1, 2, 3}, 4096 * 2048 / 128)));
    EXPECT_EQ(image.pixels[4096 * 2048 * 3 - 1], 1);
    ASSERT_TRUE(loads(tgaHeader(2, 300, 200, 32) + Bytes(300 * 200 * 4, 6)));
}

// A picture wider or taller than the limit is refused from its header, with
// nothing reserved, however much data follows: a valid run-length file of
// 65535 x 65535 pixels once made the programs reserve 17 GB.
TEST_F(TgaTest, PicturesOverTheSideLimitAreRefusedFromTheirHeader) {
    largestArrayRequest = 0;
    const Bytes runs = repeat({255, 1, 2, 3, 4}, 4096);
    for (const auto& [type, width, height] :
         {std::tuple<uint8_t, uint16_t, uint16_t>{10, 65535, 65535}, {10, 32768, 4096}, {2, 4097, 1}, {2, 1, 4097}}) {
        takeCapturedMessageBoxes();
        EXPECT_FALSE(load(tgaHeader(type, width, height, 32) + runs)) << width << "x" << height;
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "Invalid texture information");
        // stderr says what was too large, after which file it was.
        EXPECT_NE(messages[0].detail.find(std::to_string(width) + "x" + std::to_string(height) +
                                          " is larger than the largest picture taken, 4096x4096"),
                  std::string::npos)
            << messages[0].detail;
        EXPECT_NE(messages[0].detail.find("picture.tga"), std::string::npos) << messages[0].detail;
    }
    EXPECT_LT(largestArrayRequest, size_t(1) << 20);

    // The cap itself is taken, at both sides.
    ASSERT_TRUE(loads(tgaHeader(10, 4096, 1, 32) + repeat({255, 1, 2, 3, 4}, 32)));
    ASSERT_TRUE(loads(tgaHeader(10, 1, 4096, 24) + repeat({255, 1, 2, 3}, 32)));

    // A lower limit (a driver's largest texture) is followed as well.
    tgaSideLimit = 16;
    ASSERT_TRUE(loads(tgaHeader(2, 16, 16, 24) + Bytes(16 * 16 * 3, 1)));
    expectRefused(tgaHeader(2, 17, 1, 24) + Bytes(17 * 3, 1), "Invalid texture information");
}

}  // namespace
