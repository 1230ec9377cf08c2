// SPDX-License-Identifier: MIT
// The twelve texture slots of the programme, filled and uploaded once at
// start-up; scenes bind a slot's textureId.
#pragma once

#include "assets/texture_image.h"

constexpr int textureBankSize = 12;

// What each slot holds, and who shows it.
enum TextureSlot : int {
    grassSlot = 0,         // the picture the caller names: the flower's ground
    lightsSlot = 1,        // the scroller's background
    checkerSlot = 2,       // drawn at start-up: the tunnel's planes
    fractalSlot = 3,       // drawn at start-up: the tunnel's cube
    lightMarkerSlot = 4,   // the morph's light marker
    titleSlot = 5,         // the slides, in programme order
    meadowCardSlot = 6,    // before the flower
    solidCardSlot = 7,     // before the cube and pyramid
    scrollerCardSlot = 8,  // before the scroller
    fractalCardSlot = 9,   // before the tunnel
    morphCardSlot = 10,    // before the morph
    creditsSlot = 11,      // the closing slide
};
extern TextureImage textureBank[textureBankSize];

// Fills the grass slot from slot0Path, the rest from their fixed sources, and uploads
// all twelve. While it loads, no picture larger than the driver's
// GL_MAX_TEXTURE_SIZE is taken (nor larger than the loader's cap). Always
// returns true; a failed fill stops the bank with nothing
// uploaded.
bool loadTextureBank(const char* slot0Path);

// Gives one filled slot its texture name, uploads it with the slot's filters
// and releases its pixels (one step of loadTextureBank; the benchmark times it).
// An upload the driver refuses shows "Could not upload texture"; the slot
// keeps its name and is drawn untextured.
void uploadTextureSlot(int slot);

// Binds the slot's texture name to GL_TEXTURE_2D.
void bindTextureSlot(int slot);

// Deletes every uploaded texture and empties all slots (tests and tools that
// create more than one context in a process).
void clearTextureBank();
