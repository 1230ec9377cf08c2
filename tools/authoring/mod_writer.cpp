// SPDX-License-Identifier: MIT
#include "mod_writer.h"

#include <algorithm>
#include <cstdio>

namespace {

// ProTracker's period table at finetune 0, octaves 1 to 3 (C to B).
constexpr uint16_t periodTable[3][12] = {
    {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453},
    {428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226},
    {214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113},
};

// The format's 16-bit word counts: sample lengths and loops are stored halved.
constexpr size_t maxSampleBytes = 0xFFFFu * 2u;

void putText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

void putWordCount(std::vector<uint8_t>& out, size_t bytes) {
    size_t words = bytes / 2;
    out.push_back(static_cast<uint8_t>(words >> 8));
    out.push_back(static_cast<uint8_t>(words & 0xFF));
}

}  // namespace

uint16_t modPeriod(int octave, int semitone) {
    if (octave < 1 || octave > 3 || semitone < 0 || semitone > 11) return 0;
    return periodTable[octave - 1][semitone];
}

std::string modProblem(const ModModule& module) {
    if (module.orders.empty() || module.orders.size() > 128) return "the song needs 1 to 128 positions";
    if (module.restartPosition >= module.orders.size()) return "the restart position lies beyond the song";
    for (uint8_t pattern : module.orders) {
        if (pattern >= module.patterns.size() || pattern >= 64)
            return "a song position names a pattern that does not exist";
    }
    for (const ModSample& sample : module.samples) {
        if (sample.data.size() % 2 != 0) return "sample \"" + sample.name + "\" has an odd length";
        if (sample.data.size() > maxSampleBytes) return "sample \"" + sample.name + "\" is too long";
        if (sample.finetune < -8 || sample.finetune > 7)
            return "sample \"" + sample.name + "\" has a finetune outside -8..7";
        if (sample.volume > 64) return "sample \"" + sample.name + "\" is louder than 64";
        if (sample.loopStart % 2 != 0 || sample.loopLength % 2 != 0)
            return "sample \"" + sample.name + "\" has an odd loop";
        if (sample.loopLength > 2 && static_cast<size_t>(sample.loopStart) + sample.loopLength > sample.data.size())
            return "sample \"" + sample.name + "\" loops past its end";
    }
    for (const ModPattern& pattern : module.patterns) {
        for (const auto& row : pattern.cells) {
            for (const ModCell& cell : row) {
                if (cell.period > 0xFFF || cell.instrument > 31 || cell.effect > 0xF)
                    return "a pattern cell holds a value the format cannot store";
            }
        }
    }
    return {};
}

std::vector<uint8_t> encodeMod(const ModModule& module) {
    if (!modProblem(module).empty()) return {};
    std::vector<uint8_t> out;
    putText(out, module.title, 20);
    for (const ModSample& sample : module.samples) {
        putText(out, sample.name, 22);
        putWordCount(out, sample.data.size());
        out.push_back(static_cast<uint8_t>(sample.finetune) & 0x0F);
        out.push_back(sample.volume);
        bool loops = sample.loopLength > 2;
        putWordCount(out, loops ? sample.loopStart : 0);
        putWordCount(out, loops ? sample.loopLength : 2);  // one word means "no loop"
    }
    out.push_back(static_cast<uint8_t>(module.orders.size()));
    out.push_back(module.restartPosition);
    for (size_t i = 0; i < 128; ++i) out.push_back(i < module.orders.size() ? module.orders[i] : 0);
    putText(out, "M.K.", 4);
    // Players count the patterns from the highest one the order table names,
    // so exactly that many are stored; any further ones could not be found.
    size_t patternCount = *std::max_element(module.orders.begin(), module.orders.end()) + 1u;
    for (size_t p = 0; p < patternCount; ++p) {
        for (const auto& row : module.patterns[p].cells) {
            for (const ModCell& cell : row) {
                out.push_back(static_cast<uint8_t>((cell.instrument & 0xF0) | (cell.period >> 8)));
                out.push_back(static_cast<uint8_t>(cell.period & 0xFF));
                out.push_back(static_cast<uint8_t>(((cell.instrument & 0x0F) << 4) | cell.effect));
                out.push_back(cell.parameter);
            }
        }
    }
    for (const ModSample& sample : module.samples) {
        for (int8_t value : sample.data) out.push_back(static_cast<uint8_t>(value));
    }
    return out;
}

bool writeMod(const std::string& path, const ModModule& module) {
    std::vector<uint8_t> bytes = encodeMod(module);
    if (bytes.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
