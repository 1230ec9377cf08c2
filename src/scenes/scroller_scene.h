// SPDX-License-Identifier: MIT
// Extruded outline letters riding a wave over a drifting picture.
#pragma once

#include "scenes/scene.h"

#include <GL/gl.h>

#include "platform/outline_font.h"

int setupScrollerScene();
int drawScrollerFrame();
void deleteOutlineFont();

// The scene as the timeline's row holds it: it starts from reset
// accumulators with its letters' phase at 15, its tear-down deletes the
// font's display lists, and its reset starts the text from its beginning.
Scene scrollerScene();

// The pieces of the scene, for its frame operation and for tests.

constexpr int textWindowSize = 100;  // letters drawn per frame
constexpr int waveTableSize = 100;   // wave angles, two periods
constexpr int fontListCount = 256;   // lists reserved; codes 0..254 filled

// The text that crosses the screen, read cyclically; printable ASCII.
extern const char scrollText[];
// Characters of scrollText consumed so far; never reset within a run.
extern int textIndex;
// This frame's letters: entry i is scrollText[(textIndex + i) mod length].
extern char textWindow[textWindowSize];
// Wave angle (radians) per text position modulo 100.
extern float waveTable[waveTableSize];
// First of the font's display lists; list fontBase + c draws code c.
extern GLuint fontBase;
extern GlyphMetricsFloat glyphMetrics[fontListCount];

void buildOutlineFont();
void buildWaveTable();
// Consumes at most one character (once phase has fallen below -13) and
// refills textWindow.
void advanceTextWindow();
void advanceWave();
void drawScrollerBackground();
// Draws textWindowSize letters, read as unsigned codes.
void drawScrollerText(const char* letters);
