// SPDX-License-Identifier: MIT
// Small modules for the music tests, written with the authoring MOD writer.
#pragma once

#include "mod_writer.h"
#include "support/scratch_folder.h"

#include <cstdint>
#include <string>
#include <vector>

// A looping square wave, one period over `length` bytes, swinging between
// +amplitude and -amplitude.
ModSample squareWaveSample(const std::string& name, size_t length = 64, int8_t amplitude = 100);

// A module of `orderCount` song positions, position i playing pattern i, all
// patterns empty but for tempo 125 on row 0 of channel 3 (see the .cpp),
// and sample 1 a square wave. Callers fill in notes.
ModModule emptyModule(int orderCount);

// A cell with a note (octave 1..3, semitone 0..11) and optional instrument.
ModCell noteCell(int octave, int semitone, uint8_t instrument, uint8_t effect = 0, uint8_t parameter = 0);

// Encodes the module into path()/name of the folder and returns the full path.
std::string writeModule(const ScratchFolder& folder, const std::string& name, const ModModule& module);
