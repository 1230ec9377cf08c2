// SPDX-License-Identifier: MIT
#include "platform/note_triggers.h"

#include <libopenmpt/libopenmpt.hpp>

#include <cstdlib>
#include <string>

namespace {

// The decoder reports notes 1..120; 0 is an empty cell and values above 120
// are note-off, note-cut and fade, which start nothing.
constexpr int highestNote = 120;

bool usesScreamTrackerEffects(const std::string& type) {
    return type == "s3m" || type == "it" || type == "mptm" || type == "stm" || type == "stx";
}

using Command = openmpt::module::command_index;

CellTrigger readCell(openmpt::module& module, int pattern, int row, int channel, bool screamTracker) {
    CellTrigger cell;
    int note = module.get_pattern_row_channel_command(pattern, row, channel, Command::command_note);
    if (note >= 1 && note <= highestNote) cell.note = static_cast<uint8_t>(note);
    int instrument = module.get_pattern_row_channel_command(pattern, row, channel, Command::command_instrument);
    if (instrument > 0 && instrument < 256) cell.instrument = static_cast<uint8_t>(instrument);

    std::string effect = module.format_pattern_row_channel_command(pattern, row, channel, Command::command_effect);
    int parameter = module.get_pattern_row_channel_command(pattern, row, channel, Command::command_parameter);
    char letter = effect.empty() ? ' ' : effect[0];
    const char portamento = screamTracker ? 'G' : '3';
    const char portamentoVolume = screamTracker ? 'L' : '5';
    const char extended = screamTracker ? 'S' : 'E';
    cell.tonePortamento = letter == portamento || letter == portamentoVolume;
    if (letter == extended && (parameter >> 4) == 0xD) cell.delayTicks = parameter & 0x0F;

    // A tone portamento in the volume column (XM, IT; shown as "g") slides
    // as well.
    std::string volumeEffect =
        module.format_pattern_row_channel_command(pattern, row, channel, Command::command_volumeffect);
    if (!volumeEffect.empty() && volumeEffect[0] == 'g') cell.tonePortamento = true;
    return cell;
}

}  // namespace

void NoteTriggerTable::build(openmpt::module& module) {
    bool screamTracker = usesScreamTrackerEffects(module.get_metadata("type"));
    channelCount = module.get_num_channels();
    int patterns = module.get_num_patterns();
    rowCounts.assign(static_cast<size_t>(patterns), 0);
    firstCell.assign(static_cast<size_t>(patterns), 0);
    cells.clear();
    for (int pattern = 0; pattern < patterns; ++pattern) {
        int rows = module.get_pattern_num_rows(pattern);
        rowCounts[static_cast<size_t>(pattern)] = rows;
        firstCell[static_cast<size_t>(pattern)] = cells.size();
        for (int row = 0; row < rows; ++row) {
            for (int channel = 0; channel < channelCount; ++channel)
                cells.push_back(readCell(module, pattern, row, channel, screamTracker));
        }
    }
}

const CellTrigger* NoteTriggerTable::row(int pattern, int rowIndex) const {
    if (pattern < 0 || static_cast<size_t>(pattern) >= rowCounts.size()) return nullptr;
    if (rowIndex < 0 || rowIndex >= rowCounts[static_cast<size_t>(pattern)]) return nullptr;
    return &cells[firstCell[static_cast<size_t>(pattern)] +
                  static_cast<size_t>(rowIndex) * static_cast<size_t>(channelCount)];
}
