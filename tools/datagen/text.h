// SPDX-License-Identifier: MIT
// Text on a canvas with FreeType and the Liberation fonts, for the slides.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "canvas.h"

enum class FontStyle { SansRegular, SansBold, SansItalic, SerifBoldItalic, SerifItalic, MonoBold };

// The font file for a style: the Liberation file where Debian installs it,
// else what fontconfig matches for the family and style; "" if neither.
std::string findFontFile(FontStyle style);

class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // False, with a message on stderr, when FreeType or a font is missing.
    bool ready() const { return ready_; }

    // Width in pixels of a line of UTF-8 text at a pixel size.
    float measure(FontStyle style, float pixelSize, const std::string& text);
    // Paints one line with its baseline at y, starting at x.
    void draw(Canvas& canvas, FontStyle style, float pixelSize, float x, float y, const std::string& text,
              const Colour& colour);
    void drawCentred(Canvas& canvas, FontStyle style, float pixelSize, float centreX, float y, const std::string& text,
                     const Colour& colour);
    // Breaks text into lines no wider than maxWidth (at spaces).
    std::vector<std::string> wrap(FontStyle style, float pixelSize, const std::string& text, float maxWidth);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ready_ = false;
};
