// SPDX-License-Identifier: MIT
// The module's instruments, synthesised: drums, bass, lead, pads, plucks,
// bells and effects, as signed 8-bit samples with their loops.
#pragma once

#include "assets/music_marks.h"
#include "mod_writer.h"

// Instrument numbers as the patterns use them (1-based, as in the file).
enum Instrument : int {
    kick = 1,
    snare = 2,
    closedHat = 3,
    openHat = 4,
    bass = 5,
    lead = 6,
    padMinor = 7,
    padMajor = 8,
    crash = flashInstrument,  // the accent whose first note raises the flash
    pluck = 10,
    bell = 11,
    riser = 12,
    boom = 13,
    clap = 14,
    tom = 15,
    chip = 16,
};

// How a pitched instrument's notes map to Amiga periods: a sample whose
// waveform repeats every 2^k bytes sounds, at ProTracker octave o, in
// scientific octave o + 7 - k. Percussion is recorded at the rate of C-3.
int instrumentOctaveShift(int instrument);

// Fills the 31 sample slots (unused slots carry the module's message in
// their names, as trackers traditionally do).
void synthesiseInstruments(ModModule& module);
