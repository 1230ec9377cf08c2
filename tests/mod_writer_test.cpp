// SPDX-License-Identifier: MIT
// The MOD writer: byte layout of the header, cells and samples, and a round
// trip through the decoder the demo plays with.
#include "mod_writer.h"
#include "support/test_modules.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <fstream>
#include <sstream>

namespace {

constexpr size_t headerSize = 1084;
constexpr size_t patternSize = 64 * 4 * 4;

ModModule twoPatternModule() {
    ModModule module = emptyModule(2);
    module.title = "roundtrip";
    module.orders = {1, 0, 1};
    module.restartPosition = 1;
    module.samples[0].finetune = -1;
    module.samples[0].volume = 48;
    module.samples[16] = squareWaveSample("seventeen", 32);
    module.samples[16].loopLength = 0;
    module.patterns[1].cells[5][2] = noteCell(1, 0, 17, 0xC, 0x20);  // C-1, instrument 17
    module.patterns[0].cells[63][3] = noteCell(3, 11, 1, 0xF, 0x03);
    return module;
}

}  // namespace

TEST(ModWriter, LaysOutHeaderCellsAndSamples) {
    ModModule module = twoPatternModule();
    std::vector<uint8_t> bytes = encodeMod(module);
    ASSERT_EQ(bytes.size(), headerSize + 2 * patternSize + 64 + 32);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "roundtrip");
    EXPECT_EQ(std::string(bytes.begin() + 1080, bytes.begin() + 1084), "M.K.");

    // Sample 1: 64 bytes = 32 words, finetune -1 as nibble 0xF, looping whole.
    const uint8_t* s1 = &bytes[20 + 22];
    EXPECT_EQ(s1[0], 0);
    EXPECT_EQ(s1[1], 32);
    EXPECT_EQ(s1[2], 0x0F);
    EXPECT_EQ(s1[3], 48);
    EXPECT_EQ((s1[6] << 8) | s1[7], 32);
    // Sample 17 does not loop: the loop length is the one-word "no loop".
    const uint8_t* s17 = &bytes[20 + 16 * 30 + 22];
    EXPECT_EQ((s17[0] << 8) | s17[1], 16);
    EXPECT_EQ((s17[6] << 8) | s17[7], 1);

    EXPECT_EQ(bytes[950], 3);  // song length
    EXPECT_EQ(bytes[951], 1);  // restart position
    EXPECT_EQ(bytes[952], 1);
    EXPECT_EQ(bytes[953], 0);
    EXPECT_EQ(bytes[954], 1);
    EXPECT_EQ(bytes[955], 0);  // unused positions are zero

    // Pattern 1, row 5, channel 2: period 856 = 0x358, instrument 17 = 0x11.
    const uint8_t* cell = &bytes[headerSize + patternSize + (5 * 4 + 2) * 4];
    EXPECT_EQ(cell[0], 0x13);
    EXPECT_EQ(cell[1], 0x58);
    EXPECT_EQ(cell[2], 0x1C);
    EXPECT_EQ(cell[3], 0x20);

    // Sample data follows the patterns in sample order.
    EXPECT_EQ(static_cast<int8_t>(bytes[headerSize + 2 * patternSize]), 100);
    EXPECT_EQ(static_cast<int8_t>(bytes[headerSize + 2 * patternSize + 63]), -100);
}

TEST(ModWriter, DecoderReadsBackWhatWasWritten) {
    ModModule module = twoPatternModule();
    std::vector<uint8_t> bytes = encodeMod(module);
    openmpt::module decoded(bytes);
    EXPECT_EQ(decoded.get_metadata("type"), "mod");
    EXPECT_EQ(decoded.get_metadata("title"), "roundtrip");
    ASSERT_EQ(decoded.get_num_orders(), 3);
    EXPECT_EQ(decoded.get_order_pattern(0), 1);
    EXPECT_EQ(decoded.get_order_pattern(1), 0);
    EXPECT_EQ(decoded.get_num_patterns(), 2);
    EXPECT_GE(decoded.get_num_samples(), 17);

    auto command = [&](int pattern, int row, int channel, openmpt::module::command_index what) {
        return decoded.get_pattern_row_channel_command(pattern, row, channel, what);
    };
    EXPECT_EQ(command(1, 5, 2, openmpt::module::command_instrument), 17);
    EXPECT_EQ(command(0, 63, 3, openmpt::module::command_instrument), 1);
    int low = command(1, 5, 2, openmpt::module::command_note);
    int high = command(0, 63, 3, openmpt::module::command_note);
    EXPECT_EQ(high - low, 2 * 12 + 11);  // C-1 to B-3
    EXPECT_EQ(command(1, 4, 2, openmpt::module::command_note), 0);
}

TEST(ModWriter, RefusesModulesTheFormatCannotHold) {
    ScratchFolder scratch;
    auto refused = [&](const ModModule& module) {
        std::string path = scratch.path() + "/refused.mod";
        bool written = writeMod(path, module);
        bool exists = std::ifstream(path).good();
        return encodeMod(module).empty() && !modProblem(module).empty() && !written && !exists;
    };
    ModModule noSong = emptyModule(1);
    noSong.orders.clear();
    EXPECT_TRUE(refused(noSong));

    ModModule missingPattern = emptyModule(1);
    missingPattern.orders.push_back(4);
    EXPECT_TRUE(refused(missingPattern));

    ModModule oddSample = emptyModule(1);
    oddSample.samples[3].data.resize(7);
    EXPECT_TRUE(refused(oddSample));

    ModModule loopPastEnd = emptyModule(1);
    loopPastEnd.samples[0].loopStart = 32;
    loopPastEnd.samples[0].loopLength = 64;
    EXPECT_TRUE(refused(loopPastEnd));

    ModModule badInstrument = emptyModule(1);
    badInstrument.patterns[0].cells[0][0].instrument = 32;
    EXPECT_TRUE(refused(badInstrument));

    ModModule restartOutside = emptyModule(2);
    restartOutside.restartPosition = 2;
    EXPECT_TRUE(refused(restartOutside));

    EXPECT_TRUE(modProblem(emptyModule(3)).empty());
}

TEST(ModWriter, PeriodsHalveEachOctaveAndRejectOutOfRangeNotes) {
    EXPECT_EQ(modPeriod(2, 0), 428);
    EXPECT_EQ(modPeriod(1, 9), 508);
    for (int semitone = 0; semitone < 12; ++semitone) {
        EXPECT_NEAR(modPeriod(1, semitone), 2 * modPeriod(2, semitone), 1);
        EXPECT_NEAR(modPeriod(2, semitone), 2 * modPeriod(3, semitone), 1);
    }
    EXPECT_EQ(modPeriod(0, 0), 0);
    EXPECT_EQ(modPeriod(4, 0), 0);
    EXPECT_EQ(modPeriod(2, 12), 0);
    EXPECT_EQ(modPeriod(2, -1), 0);
}

TEST(ModWriter, WritesTheEncodedBytesToAFile) {
    ScratchFolder scratch;
    ModModule module = twoPatternModule();
    std::string path = scratch.path() + "/song.mod";
    ASSERT_TRUE(writeMod(path, module));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read, encodeMod(module));
    EXPECT_FALSE(writeMod(scratch.path() + "/no/such/folder/song.mod", module));
}
