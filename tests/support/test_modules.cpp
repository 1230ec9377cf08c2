#include "test_modules.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

ModSample squareWaveSample(const std::string& name, size_t length, int8_t amplitude) {
    ModSample sample;
    sample.name = name;
    sample.data.resize(length);
    for (size_t i = 0; i < length; ++i)
        sample.data[i] = i < length / 2 ? amplitude : static_cast<int8_t>(-amplitude);
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

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glimmer-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    folder = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string ScratchFolder::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string path = folder + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

std::string ScratchFolder::writeModule(const std::string& name, const ModModule& module) const {
    std::vector<uint8_t> bytes = encodeMod(module);
    if (bytes.empty()) throw std::runtime_error("test module cannot be stored: " + modProblem(module));
    return write(name, bytes);
}
