// SPDX-License-Identifier: MIT
// Extruded outline letters as display lists: our stand-in for the Windows
// outline-font service the scroller was written against. A font named the
// fontconfig way ("Arial:bold") is found on the system, FreeType reads its
// glyph outlines, the GLU tessellator fills their faces, and every code gets
// one display list that draws the solid letter and then steps right by its
// advance. Geometry and metrics are in em units (the em square is 1.0 high),
// whatever height the caller had in mind, just as the Windows service does.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

// The records the Windows service fills, with its field names.
struct PointFloat {
    float x;
    float y;
};

struct GlyphMetricsFloat {
    float gmfBlackBoxX;           // width of the glyph's bounding box
    float gmfBlackBoxY;           // height of the glyph's bounding box
    PointFloat gmfptGlyphOrigin;  // top-left corner of the box, from the origin
    float gmfCellIncX;            // horizontal advance
    float gmfCellIncY;            // vertical advance, always 0 here
};

// What the scroller asks for: bold Arial, which fontconfig resolves to a
// metric-compatible face (Liberation Sans Bold on Debian).
constexpr const char* outlineFontPattern = "Arial:bold";

// Builds display lists listBase + i for the codes first + i, i < count, and
// fills metrics[i] (when metrics is not null). Codes are Windows-1252 bytes;
// a code the font has no glyph for gets the font's missing-glyph shape.
// Curves are flattened until no control point lies farther than deviation
// (em units) from its chord; the solid reaches from z = 0 back to
// z = -extrusion. If no font can be opened, nothing is compiled, the metrics
// are zeroed, one message goes to stderr and the result is false.
bool useFontOutlines(const char* fontPattern, unsigned first, unsigned count, GLuint listBase, float deviation,
                     float extrusion, GlyphMetricsFloat* metrics);

// The font file (and face index in it) fontconfig picks for a pattern; empty
// when there is none usable (no match, or not an outline font).
std::string findOutlineFontFile(const char* fontPattern, int& faceIndex);

// The same as useFontOutlines, with the font given as a file.
bool useFontOutlinesFromFile(const std::string& fontFile, int faceIndex, unsigned first, unsigned count,
                             GLuint listBase, float deviation, float extrusion, GlyphMetricsFloat* metrics);

// One glyph's solid, as the display list draws it. Every polygon is
// counter-clockwise seen from outside and carries its outward normal.
struct GlyphVertex {
    float x, y, z;
};

struct GlyphWall {  // one quad of the side wall, between two outline points
    GlyphVertex normal;
    GlyphVertex corners[4];
};

struct GlyphSolid {
    std::vector<GlyphVertex> frontTriangles;  // z = 0, normal +z, 3 vertices each
    std::vector<GlyphVertex> backTriangles;   // z = -extrusion, normal -z
    std::vector<GlyphWall> walls;
    // The outline the faces were filled from: outer contours counter-clockwise
    // and holes clockwise, seen from the front.
    std::vector<std::vector<PointFloat>> contours;
};

// Builds one code's solid and metrics without touching GL. False (solid
// empty, metrics zero) if the font file cannot be opened or the glyph read.
bool buildGlyphSolid(const std::string& fontFile, int faceIndex, unsigned code, float deviation, float extrusion,
                     GlyphSolid& solid, GlyphMetricsFloat& metrics);

// The Unicode character a Windows-1252 byte stands for; the five bytes that
// code page leaves undefined map to the C1 control characters of their value.
unsigned windows1252ToUnicode(unsigned char code);
