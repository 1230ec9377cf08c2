// SPDX-License-Identifier: MIT
#include "text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <sys/stat.h>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

struct StyleInfo {
    const char* fileName;  // in the fonts-liberation2 folder
    const char* pattern;   // fontconfig pattern for the same face
};

StyleInfo styleInfo(FontStyle style) {
    switch (style) {
        case FontStyle::SansRegular: return {"LiberationSans-Regular.ttf", "Liberation Sans:style=Regular"};
        case FontStyle::SansBold: return {"LiberationSans-Bold.ttf", "Liberation Sans:style=Bold"};
        case FontStyle::SansItalic: return {"LiberationSans-Italic.ttf", "Liberation Sans:style=Italic"};
        case FontStyle::SerifBoldItalic:
            return {"LiberationSerif-BoldItalic.ttf", "Liberation Serif:style=Bold Italic"};
        case FontStyle::SerifItalic: return {"LiberationSerif-Italic.ttf", "Liberation Serif:style=Italic"};
        case FontStyle::MonoBold: return {"LiberationMono-Bold.ttf", "Liberation Mono:style=Bold"};
    }
    return {"LiberationSans-Regular.ttf", "Liberation Sans"};
}

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Next code point of a UTF-8 string; malformed bytes come out as '?'.
uint32_t nextCodePoint(const std::string& text, size_t& i) {
    unsigned char c = static_cast<unsigned char>(text[i++]);
    if (c < 0x80) return c;
    int extra = (c >= 0xF0) ? 3 : (c >= 0xE0) ? 2 : (c >= 0xC0) ? 1 : -1;
    if (extra < 0) return '?';
    uint32_t cp = c & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) return '?';
        unsigned char d = static_cast<unsigned char>(text[i]);
        if ((d & 0xC0) != 0x80) return '?';
        cp = (cp << 6) | (d & 0x3F);
        ++i;
    }
    return cp;
}

}  // namespace

std::string findFontFile(FontStyle style) {
    StyleInfo info = styleInfo(style);
    for (const char* folder : {"/usr/share/fonts/truetype/liberation2/", "/usr/share/fonts/truetype/liberation/"}) {
        std::string path = std::string(folder) + info.fileName;
        if (fileExists(path)) return path;
    }
    std::string found;
    if (!FcInit()) return found;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(info.pattern));
    if (!pattern) return found;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
            found = reinterpret_cast<const char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

struct TextPainter::Impl {
    FT_Library library = nullptr;
    std::map<FontStyle, FT_Face> faces;

    FT_Face face(FontStyle style, float pixelSize) {
        FT_Face f = faces.at(style);
        FT_Set_Char_Size(f, 0, FT_F26Dot6(std::lround(pixelSize * 64.0f)), 72, 72);
        return f;
    }
};

TextPainter::TextPainter() : impl_(new Impl) {
    if (FT_Init_FreeType(&impl_->library) != 0) {
        std::fprintf(stderr, "datagen: FreeType could not be initialised\n");
        return;
    }
    for (FontStyle style : {FontStyle::SansRegular, FontStyle::SansBold, FontStyle::SansItalic,
                            FontStyle::SerifBoldItalic, FontStyle::SerifItalic, FontStyle::MonoBold}) {
        std::string path = findFontFile(style);
        FT_Face face = nullptr;
        if (path.empty() || FT_New_Face(impl_->library, path.c_str(), 0, &face) != 0) {
            std::fprintf(stderr, "datagen: no font for %s (install fonts-liberation2)\n", styleInfo(style).pattern);
            return;
        }
        impl_->faces[style] = face;
    }
    ready_ = true;
}

TextPainter::~TextPainter() {
    for (auto& entry : impl_->faces) FT_Done_Face(entry.second);
    if (impl_->library) FT_Done_FreeType(impl_->library);
}

namespace {
// Walks the text's glyphs as they are set: the pen moves by the kerning
// before each glyph and by the glyph's advance after it. visit(slot, pen)
// sees each glyph that loads, at the pen before its advance. Returns where
// the pen ends.
template <typename Visit>
float setGlyphs(FT_Face face, const std::string& text, FT_Int32 loadFlags, float pen, Visit visit) {
    FT_UInt previous = 0;
    for (size_t i = 0; i < text.size();) {
        FT_UInt glyph = FT_Get_Char_Index(face, nextCodePoint(text, i));
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
            pen += float(kern.x) / 64.0f;
        }
        previous = glyph;
        if (FT_Load_Glyph(face, glyph, loadFlags) != 0) continue;
        visit(face->glyph, pen);
        pen += float(face->glyph->advance.x) / 64.0f;
    }
    return pen;
}
}  // namespace

float TextPainter::measure(FontStyle style, float pixelSize, const std::string& text) {
    if (!ready_) return 0.0f;
    return setGlyphs(impl_->face(style, pixelSize), text, FT_LOAD_DEFAULT, 0.0f, [](FT_GlyphSlot, float) {});
}

void TextPainter::draw(Canvas& canvas, FontStyle style, float pixelSize, float x, float y, const std::string& text,
                       const Colour& colour) {
    if (!ready_) return;
    setGlyphs(impl_->face(style, pixelSize), text, FT_LOAD_RENDER, x, [&](FT_GlyphSlot slot, float penX) {
        const FT_Bitmap& bitmap = slot->bitmap;
        int left = static_cast<int>(std::lround(penX)) + slot->bitmap_left;
        int top = static_cast<int>(std::lround(y)) - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                unsigned char value = bitmap.buffer[int(row) * bitmap.pitch + int(col)];
                if (value) canvas.blend(left + int(col), top + int(row), colour, float(value) / 255.0f);
            }
        }
    });
}

void TextPainter::drawCentred(Canvas& canvas, FontStyle style, float pixelSize, float centreX, float y,
                              const std::string& text, const Colour& colour) {
    draw(canvas, style, pixelSize, centreX - 0.5f * measure(style, pixelSize, text), y, text, colour);
}

std::vector<std::string> TextPainter::wrap(FontStyle style, float pixelSize, const std::string& text, float maxWidth) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flushWord = [&]() {
        if (word.empty()) return;
        std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && measure(style, pixelSize, candidate) > maxWidth) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (char c : text) {
        if (c == ' ')
            flushWord();
        else if (c == '\n') {
            flushWord();
            lines.push_back(line);
            line.clear();
        } else
            word += c;
    }
    flushWord();
    if (!line.empty()) lines.push_back(line);
    return lines;
}
