// SPDX-License-Identifier: MIT
// The soundtrack: an original four-channel module in A minor at 96 beats
// a minute, one pattern of four bars (ten seconds) per song position, laid
// out so that its sections meet the programme's scene changes.
#pragma once

#include <string>
#include <vector>

#include "assets/music_marks.h"
#include "mod_writer.h"

// The song meets the marks the programme listens for (assets/music_marks.h).
// The position at which the flash instrument first sounds (an accent after
// the drop).
constexpr int firstAccentOrder = 3;
constexpr int firstAccentRow = 0;

// Speed 6 at 96 beats a minute: 6 ticks of 2.5/96 s each per row.
constexpr double songSecondsPerRow = 6.0 * 2.5 / 96.0;

struct ComposedSong {
    ModModule module;
    // Composition mistakes (a note outside the Amiga's three octaves, a
    // melody longer than its bars); the generator refuses to write a song
    // that has any.
    std::vector<std::string> problems;
};

ComposedSong composeSong();

// Rows in each song position, in order (64, or 32 where a position ends
// early with a pattern break), and the song's length in seconds.
std::vector<int> songPositionRows();
double songLengthSeconds();
