// SPDX-License-Identifier: MIT
#include "test_modules.h"

#include <stdexcept>

ModSample squareWaveSample(const std::string& name, size_t length, int8_t amplitude) {
    ModSample sample;
    sample.name = name;
    sample.data.resize(length);
    for (size_t i = 0; i < length; ++i) sample.data[i] = i < length / 2 ? amplitude : static_cast<int8_t>(-amplitude);
    sample.loopStart = 0;
    sample.loopLength = static_cast<uint32_t>(length);
    return sample;
}

ModModule emptyModule(int orderCount) {
    ModModule module;
    module.title = "test";
    module.samples[0] = squareWaveSample("square");
    module.patterns.resize(static_cast<size_t>(orderCount));
    for (int i = 0; i < orderCount; ++i) module.orders.push_back(static_cast<uint8_t>(i));
    // The default tempo, set explicitly: a module without any tempo command
    // is taken by the decoder for an older tracker's, which ignores the row
    // of a pattern break.
    module.patterns[0].cells[0][3].effect = 0xF;
    module.patterns[0].cells[0][3].parameter = 125;
    return module;
}

ModCell noteCell(int octave, int semitone, uint8_t instrument, uint8_t effect, uint8_t parameter) {
    ModCell cell;
    cell.period = modPeriod(octave, semitone);
    cell.instrument = instrument;
    cell.effect = effect;
    cell.parameter = parameter;
    return cell;
}

std::string writeModule(const ScratchFolder& folder, const std::string& name, const ModModule& module) {
    std::vector<uint8_t> bytes = encodeMod(module);
    if (bytes.empty()) throw std::runtime_error("test module cannot be stored: " + modProblem(module));
    return folder.write(name, bytes);
}
