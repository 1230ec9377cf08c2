#include "assets/tga.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "assets/data_path.h"
#include "platform/message_box.h"

uint64_t tgaPixelBufferLimit = 4ull * 65535ull * 65535ull;

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

// What both decoders share: the six bytes after the reference header, their
// checks, and the pixel buffer. Returns the buffer size in bytes, or 0 after
// a failure (the message is shown and the file closed).
uint64_t readInfoHeader(TextureImage& image, std::FILE* file) {
    uint8_t info[6];
    if (std::fread(info, 1, sizeof info, file) != sizeof info) {
        failLoad(image, file, "Could not read info header");
        return 0;
    }
    image.width = uint32_t(info[0]) + 256u * info[1];
    image.height = uint32_t(info[2]) + 256u * info[3];
    image.bitsPerPixel = info[4];
    if (image.width == 0 || image.height == 0 || (image.bitsPerPixel != 24 && image.bitsPerPixel != 32)) {
        failLoad(image, file, "Invalid texture information");
        return 0;
    }
    image.format = image.bitsPerPixel == 24 ? GL_RGB : GL_RGBA;

    // 4 x 65535 x 65535 does not fit 32 bits: work in 64.
    const uint64_t size = uint64_t(image.bitsPerPixel / 8) * image.width * image.height;
    uint8_t* buffer = nullptr;
    if (size <= tgaPixelBufferLimit && size <= std::numeric_limits<size_t>::max())
        buffer = new (std::nothrow) uint8_t[size_t(size)];
    if (!buffer) {
        failLoad(image, file, "Could not allocate memory for image");
        return 0;
    }
    image.pixels.reset(buffer);
    return size;
}

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
    const uint64_t size = readInfoHeader(image, file);
    if (size == 0) return false;

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

bool loadCompressedTga(TextureImage& image, std::FILE* file) {
    const uint64_t size = readInfoHeader(image, file);
    if (size == 0) return false;

    const size_t bytesPerPixel = image.bitsPerPixel / 8;
    const uint64_t pixelCount = uint64_t(image.width) * image.height;
    uint8_t* const pixels = image.pixels.get();
    uint64_t storedPixels = 0;
    size_t position = 0;

    // Stores one pixel value (file order B, G, R, A) as R, G, B, A; false when
    // the image is already full, in which case nothing is written.
    auto store = [&](const uint8_t* value) {
        if (storedPixels == pixelCount) return false;
        pixels[position] = value[2];
        pixels[position + 1] = value[1];
        pixels[position + 2] = value[0];
        if (bytesPerPixel == 4) pixels[position + 3] = value[3];
        position += bytesPerPixel;
        ++storedPixels;
        return true;
    };

    // A raw packet's values are fetched with one read; the pixels that did
    // arrive are stored one by one before a short read is reported, so the
    // message is the one a pixel-by-pixel reader would give.
    uint8_t packetValues[128 * 4];
    ChunkedReader reader(file);
    while (true) {
        uint8_t packetHeader;
        if (reader.read(&packetHeader, 1) != 1) return failLoad(image, file, "Could not read RLE header");

        if (packetHeader < 128) {
            const size_t count = size_t(packetHeader) + 1;
            const size_t available = reader.read(packetValues, count * bytesPerPixel) / bytesPerPixel;
            for (size_t i = 0; i < count; ++i) {
                if (i >= available) return failLoad(image, file, "Could not read image data");
                if (!store(packetValues + i * bytesPerPixel)) return failLoad(image, file, "Too many pixels read");
            }
        } else {
            const size_t count = size_t(packetHeader) - 127;
            if (reader.read(packetValues, bytesPerPixel) != bytesPerPixel)
                return failLoad(image, file, "Could not read from file");
            for (size_t i = 0; i < count; ++i)
                if (!store(packetValues)) return failLoad(image, file, "Too many pixels read");
        }

        if (storedPixels == pixelCount) break;
    }
    std::fclose(file);
    return true;
}
