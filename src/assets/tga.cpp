// SPDX-License-Identifier: MIT
#include "assets/tga.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "platform/data_path.h"
#include "platform/message_box.h"

uint64_t tgaPixelBufferLimit = 4ull * 65535ull * 65535ull;
uint32_t tgaSideLimit = tgaSideCap;

namespace {

// The first twelve bytes of the two kinds of file that are read, compared as
// blocks: no image ID, no colour map, type 2 or 10, zero origin.
const uint8_t uncompressedTgaHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t compressedTgaHeader[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

const char* const errorCaption = "ERROR";

// Every failed load ends here: one message, no partial image, file closed.
bool failLoad(TextureImage& image, std::FILE* file, const char* text, const char* caption = errorCaption) {
    showMessageBox(text, caption, MB_OK);
    image.pixels.reset();
    if (file) std::fclose(file);
    return false;
}

// What both decoders share: the six bytes after the reference header and
// their checks. False after a failure (the message is shown and the file
// closed).
bool readInfoHeader(TextureImage& image, std::FILE* file) {
    uint8_t info[6];
    if (std::fread(info, 1, sizeof info, file) != sizeof info)
        return failLoad(image, file, "Could not read info header");
    image.width = uint32_t(info[0]) + 256u * info[1];
    image.height = uint32_t(info[2]) + 256u * info[3];
    image.bitsPerPixel = info[4];
    if (image.width == 0 || image.height == 0 || (image.bitsPerPixel != 24 && image.bitsPerPixel != 32))
        return failLoad(image, file, "Invalid texture information");
    // Refused before a byte is reserved: GL could not take it as a texture,
    // and its pixels would cost up to 17 GB.
    if (image.width > tgaSideLimit || image.height > tgaSideLimit) {
        const std::string limit = std::to_string(tgaSideLimit);
        const std::string before = currentMessageDetail();
        MessageDetail reason((before.empty() ? "" : before + "; ") + std::to_string(image.width) + "x" +
                             std::to_string(image.height) + " is larger than the largest picture taken, " + limit +
                             "x" + limit);
        return failLoad(image, file, "Invalid texture information");
    }
    image.format = image.bitsPerPixel == 24 ? GL_RGB : GL_RGBA;
    return true;
}

// The pixel buffer's size in bytes: 4 x 65535 x 65535 does not fit 32 bits,
// so it is worked out in 64.
uint64_t pixelBufferSize(const TextureImage& image) {
    return uint64_t(image.bitsPerPixel / 8) * image.width * image.height;
}

bool reservePixels(TextureImage& image, uint64_t size) {
    uint8_t* buffer = nullptr;
    if (size <= tgaPixelBufferLimit && size <= std::numeric_limits<size_t>::max())
        buffer = new (std::nothrow) uint8_t[size_t(size)];
    image.pixels.reset(buffer);
    return buffer != nullptr;
}

// The bytes from the current position to the end of the file; no bound
// (the largest count) for a stream that cannot tell its end.
uint64_t bytesLeft(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return std::numeric_limits<uint64_t>::max();
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < 0) return std::numeric_limits<uint64_t>::max();
    return end > here ? uint64_t(end - here) : 0;
}

// The most pixels a run-length stream of `bytes` bytes can give: a packet
// gives at most 128, from a header byte and one pixel value.
uint64_t mostRunLengthPixels(uint64_t bytes, size_t bytesPerPixel) { return bytes / (1 + bytesPerPixel) * 128; }

// Sequential reads from the open file through a buffer of our own: a
// run-length stream is thousands of reads of one to a few hundred bytes, and
// one stdio call for each costs more than the decoding. Reads return what
// the file had, so short reads are reported as before.
class ChunkedReader {
public:
    explicit ChunkedReader(std::FILE* file) : file_(file) {}

    size_t read(uint8_t* to, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (position_ == length_) {
                length_ = std::fread(chunk_, 1, sizeof chunk_, file_);
                position_ = 0;
                if (length_ == 0) break;
            }
            const size_t take = std::min(count - done, length_ - position_);
            std::memcpy(to + done, chunk_ + position_, take);
            position_ += take;
            done += take;
        }
        return done;
    }

private:
    std::FILE* file_;
    uint8_t chunk_[16384];
    size_t position_ = 0;
    size_t length_ = 0;
};

}  // namespace

bool loadTga(TextureImage& image, const char* path) {
    // Whatever goes wrong, stderr names the file and where it came from.
    MessageDetail detail(dataFileDetail(path));
    std::FILE* file = openDataFile(path);
    if (!file) return failLoad(image, nullptr, "Could not open texture file");
    return readTga(image, file);
}

bool readTga(TextureImage& image, std::FILE* file) {
    uint8_t header[12];
    if (std::fread(header, 1, sizeof header, file) != sizeof header)
        return failLoad(image, file, "Could not read file header");

    if (std::memcmp(header, uncompressedTgaHeader, sizeof header) == 0) return loadUncompressedTga(image, file);
    if (std::memcmp(header, compressedTgaHeader, sizeof header) == 0) return loadCompressedTga(image, file);
    return failLoad(image, file, "TGA file be type 2 or type 10 ", "Invalid Image");
}

bool loadUncompressedTga(TextureImage& image, std::FILE* file) {
    if (!readInfoHeader(image, file)) return false;
    const uint64_t size = pixelBufferSize(image);
    if (size > tgaPixelBufferLimit) return failLoad(image, file, "Could not allocate memory for image");
    // A file too short for the picture it declares would end in a short
    // read: say so before reserving what a small hostile file may claim.
    if (size > bytesLeft(file)) return failLoad(image, file, "Could not read image data");
    if (!reservePixels(image, size)) return failLoad(image, file, "Could not allocate memory for image");

    uint8_t* pixels = image.pixels.get();
    if (std::fread(pixels, 1, size_t(size), file) != size) return failLoad(image, file, "Could not read image data");

    // Blue-green-red(-alpha) to red-green-blue(-alpha), in place.
    const size_t bytesPerPixel = image.bitsPerPixel / 8;
    for (size_t i = 0; i < size; i += bytesPerPixel) {
        pixels[i] ^= pixels[i + 2];
        pixels[i + 2] ^= pixels[i];
        pixels[i] ^= pixels[i + 2];
    }
    std::fclose(file);
    return true;
}

namespace {

// Walks the packets of a run-length stream until `pixelCount` pixels have
// come out. With a buffer it stores them (file order B, G, R, A as R, G, B,
// A); without one it only counts, to find where a stream too short for its
// picture ends. Null when the picture is complete, else the message of the
// failure.
const char* decodeRunLength(ChunkedReader& reader, size_t bytesPerPixel, uint64_t pixelCount, uint8_t* pixels) {
    uint64_t storedPixels = 0;
    size_t position = 0;

    // Stores one pixel value; false when the image is already full, in
    // which case nothing is written.
    auto store = [&](const uint8_t* value) {
        if (storedPixels == pixelCount) return false;
        if (pixels) {
            pixels[position] = value[2];
            pixels[position + 1] = value[1];
            pixels[position + 2] = value[0];
            if (bytesPerPixel == 4) pixels[position + 3] = value[3];
            position += bytesPerPixel;
        }
        ++storedPixels;
        return true;
    };

    // A raw packet's values are fetched with one read; the pixels that did
    // arrive are stored one by one before a short read is reported, so the
    // message is the one a pixel-by-pixel reader would give.
    uint8_t packetValues[128 * 4];
    while (storedPixels < pixelCount) {
        uint8_t packetHeader;
        if (reader.read(&packetHeader, 1) != 1) return "Could not read RLE header";

        if (packetHeader < 128) {
            const size_t count = size_t(packetHeader) + 1;
            const size_t available = reader.read(packetValues, count * bytesPerPixel) / bytesPerPixel;
            for (size_t i = 0; i < count; ++i) {
                if (i >= available) return "Could not read image data";
                if (!store(packetValues + i * bytesPerPixel)) return "Too many pixels read";
            }
        } else {
            const size_t count = size_t(packetHeader) - 127;
            if (reader.read(packetValues, bytesPerPixel) != bytesPerPixel) return "Could not read from file";
            for (size_t i = 0; i < count; ++i)
                if (!store(packetValues)) return "Too many pixels read";
        }
    }
    return nullptr;
}

}  // namespace

bool loadCompressedTga(TextureImage& image, std::FILE* file) {
    if (!readInfoHeader(image, file)) return false;
    const uint64_t size = pixelBufferSize(image);
    if (size > tgaPixelBufferLimit) return failLoad(image, file, "Could not allocate memory for image");

    const size_t bytesPerPixel = image.bitsPerPixel / 8;
    const uint64_t pixelCount = uint64_t(image.width) * image.height;
    ChunkedReader reader(file);
    if (pixelCount > mostRunLengthPixels(bytesLeft(file), bytesPerPixel)) {
        // The stream cannot hold the picture, so it ends early somewhere:
        // find where without reserving the buffer a small file may claim.
        const char* problem = decodeRunLength(reader, bytesPerPixel, pixelCount, nullptr);
        return failLoad(image, file, problem ? problem : "Could not read RLE header");
    }
    if (!reservePixels(image, size)) return failLoad(image, file, "Could not allocate memory for image");

    if (const char* problem = decodeRunLength(reader, bytesPerPixel, pixelCount, image.pixels.get()))
        return failLoad(image, file, problem);
    std::fclose(file);
    return true;
}
