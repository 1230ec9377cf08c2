// SPDX-License-Identifier: MIT
#include "assets/texture_bank.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "assets/data_files.h"
#include "assets/procedural_textures.h"
#include "assets/tga.h"
#include "platform/message_box.h"

TextureImage textureBank[textureBankSize];

namespace {

// The pictures of the slots read from files; the grass slot's path comes
// from the caller.
const char* const slotPicturePaths[textureBankSize] = {
    nullptr,
    lightsPicturePath,
    nullptr,  // checkerboard
    nullptr,  // fractal
    lightMarkerPicturePath,
    titlePicturePath,
    meadowCardPicturePath,
    solidCardPicturePath,
    scrollerCardPicturePath,
    fractalCardPicturePath,
    morphCardPicturePath,
    creditsPicturePath,
};

// Slot 0's picture, for the message of a refused upload.
const char* slot0Source = nullptr;

// What a refused upload's message adds on stderr: the slot, its source and
// size, and why GL said no.
std::string uploadFailureDetail(int slot, const TextureImage& image, const std::string& reason) {
    const char* source = slot == grassSlot ? slot0Source : slotPicturePaths[slot];
    return "texture slot " + std::to_string(slot) + (source ? std::string(" (") + source + ")" : std::string()) + ", " +
           std::to_string(image.width) + "x" + std::to_string(image.height) + ": " + reason;
}

bool fillSlot(int slot, const char* slot0Path) {
    TextureImage& image = textureBank[slot];
    switch (slot) {
        case grassSlot: return loadTga(image, slot0Path);
        case checkerSlot: return buildCheckerTexture(image);
        case fractalSlot: return buildFractalTexture(image);
        default: return loadTga(image, slotPicturePaths[slot]);
    }
}

}  // namespace

void uploadTextureSlot(int slot) {
    TextureImage& image = textureBank[slot];
    glGenTextures(1, &image.textureId);
    glBindTexture(GL_TEXTURE_2D, image.textureId);
    // The checkerboard keeps hard-edged texels when magnified; slot 0 (the
    // grass seen far away) is the one texture minified through mipmaps.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, slot == checkerSlot ? GL_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, slot == grassSlot ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    // The rows lie one after the other with nothing between them, so a
    // 24-bit row need not end on the 4-byte boundary GL assumes by default:
    // read with that, such a picture would be sheared and read past its end.
    GLint outerAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &outerAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // A texture the driver refuses (out of memory, or a size it cannot take)
    // would be drawn untextured without a word: say so. Errors from before
    // are not this upload's.
    while (glGetError() != GL_NO_ERROR) {
    }
    std::string refused;
    if (slot == grassSlot) {
        const GLint failed = gluBuild2DMipmaps(GL_TEXTURE_2D, 4, GLint(image.width), GLint(image.height), image.format,
                                               GL_UNSIGNED_BYTE, image.pixels.get());
        if (failed != 0) refused = reinterpret_cast<const char*>(gluErrorString(GLenum(failed)));
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(image.format), GLsizei(image.width), GLsizei(image.height), 0,
                     image.format, GL_UNSIGNED_BYTE, image.pixels.get());
    }
    if (const GLenum error = glGetError(); refused.empty() && error != GL_NO_ERROR) {
        char code[32];
        std::snprintf(code, sizeof code, "GL error 0x%04X", unsigned(error));
        refused = code;
    }
    if (!refused.empty()) {
        MessageDetail detail(uploadFailureDetail(slot, image, refused));
        showMessageBox("Could not upload texture", "ERROR", MB_OK);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, outerAlignment);
    // GL has its own copy now.
    image.pixels.reset();
}

namespace {

// The loader's side limit while the bank loads: the cap, or the driver's
// largest texture when that is smaller. Put back afterwards.
class DriverSideLimit {
public:
    DriverSideLimit() : outer(tgaSideLimit) {
        GLint largest = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        if (largest > 0) tgaSideLimit = std::min(tgaSideLimit, uint32_t(largest));
    }
    ~DriverSideLimit() { tgaSideLimit = outer; }
    DriverSideLimit(const DriverSideLimit&) = delete;
    DriverSideLimit& operator=(const DriverSideLimit&) = delete;

private:
    uint32_t outer;
};

}  // namespace

bool loadTextureBank(const char* slot0Path) {
    slot0Source = slot0Path;
    const DriverSideLimit limit;
    for (int slot = 0; slot < textureBankSize; ++slot) {
        if (!fillSlot(slot, slot0Path)) {
            // The loader has said what went wrong; the programme goes on
            // untextured, so the earlier slots' pixels are simply dropped.
            for (int earlier = 0; earlier < slot; ++earlier) textureBank[earlier].pixels.reset();
            return true;
        }
    }
    for (int slot = 0; slot < textureBankSize; ++slot) uploadTextureSlot(slot);
    return true;
}

void bindTextureSlot(int slot) {
    if (slot < 0 || slot >= textureBankSize) return;
    glBindTexture(GL_TEXTURE_2D, textureBank[slot].textureId);
}

void clearTextureBank() {
    for (TextureImage& image : textureBank) {
        if (image.textureId != 0) glDeleteTextures(1, &image.textureId);
        image = TextureImage{};
    }
}
