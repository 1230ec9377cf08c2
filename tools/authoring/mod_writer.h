// SPDX-License-Identifier: MIT
// Writes 4-channel ProTracker modules ("M.K.", 31 samples, 64-row patterns).
// Note for authors: libopenmpt takes a module that never sets a tempo (Fxx
// with xx >= 32) for an older tracker's and then ignores the target row of
// pattern breaks (Dxx breaks to row 0). A module that relies on Dxx rows
// should set the tempo somewhere, e.g. F7D (125, the default) on its first row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ModSample {
    std::string name;
    std::vector<int8_t> data;  // signed 8-bit PCM, even length, < 128 KiB
    int8_t finetune = 0;       // -8..7
    uint8_t volume = 64;       // 0..64
    uint32_t loopStart = 0;    // in bytes, even
    uint32_t loopLength = 0;   // in bytes, even; 0 or 2 = no loop
};

struct ModCell {
    uint16_t period = 0;     // Amiga period, 0 = no note
    uint8_t instrument = 0;  // 1..31, 0 = none
    uint8_t effect = 0;      // 0x0..0xF
    uint8_t parameter = 0;
};

struct ModPattern {
    ModCell cells[64][4];  // [row][channel]
};

struct ModModule {
    std::string title;
    ModSample samples[31];
    std::vector<uint8_t> orders;  // pattern index per song position, 1..128 entries
    uint8_t restartPosition = 0;
    std::vector<ModPattern> patterns;
};

// Amiga period of a note: octave 1..3, semitone 0..11 (C = 0), finetune 0.
uint16_t modPeriod(int octave, int semitone);

// Why the module cannot be stored (empty when it can): odd or over-long
// samples, loops past the end, song positions naming missing patterns,
// out-of-range cell values.
std::string modProblem(const ModModule& module);

// The file's bytes; empty when modProblem finds something.
std::vector<uint8_t> encodeMod(const ModModule& module);
// False when the module cannot be stored or the file not written.
bool writeMod(const std::string& path, const ModModule& module);
