// SPDX-License-Identifier: MIT
// Which pattern cells start a note, read once from a loaded module so that
// the audio thread can look rows up without touching the decoder's pattern
// accessors (which build strings) while it plays.
//
// "Instrument N is played" means a note is triggered whose instrument is N:
// the instrument in the cell or, for a note without one, the channel's last
// instrument. A tone-portamento target slides the playing note instead of
// starting one; a bare instrument number only selects the instrument; a note
// delay moves the trigger to its tick, and a delay of a whole row or more
// never plays the note.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace openmpt {
class module;
}

struct CellTrigger {
    uint8_t note = 0;        // 1..120 (1 = C-0); 0 for none, note-off or cut
    uint8_t instrument = 0;  // 0 = none in the cell
    bool tonePortamento = false;
    uint8_t delayTicks = 0;  // note delay; 0 = on the row's first tick
};

// A note start found in a row: the instrument it plays and the tick it
// starts on.
struct NoteTrigger {
    uint8_t instrument;
    uint8_t tick;
};

class NoteTriggerTable {
public:
    // Reads every pattern of the module. Effects are recognised by the
    // module's own effect letters: ProTracker style (3xx, 5xy, EDx) for MOD,
    // XM and the formats using its command set, ScreamTracker style (Gxx,
    // Lxy, SDx) for S3M, IT and MPTM.
    void build(openmpt::module& module);

    int channels() const { return channelCount; }
    // The cells of one row, channels() of them; null outside the module.
    const CellTrigger* row(int pattern, int row) const;

    // Applies one row to the channels' last instruments (lastInstrument has
    // channels() entries) and appends the notes it starts to `out`. `speed`
    // is the row's ticks; delays of `speed` or more start nothing. Writes
    // into the caller's storage only, so the audio thread can call it.
    template <typename Sink>
    void playRow(int pattern, int rowIndex, int speed, uint8_t* lastInstrument, Sink&& out) const {
        const CellTrigger* cells = row(pattern, rowIndex);
        if (!cells) return;
        for (int channel = 0; channel < channelCount; ++channel) {
            const CellTrigger& cell = cells[channel];
            if (cell.instrument != 0) lastInstrument[channel] = cell.instrument;
            if (cell.note == 0 || cell.tonePortamento) continue;
            if (cell.delayTicks != 0 && cell.delayTicks >= speed) continue;
            uint8_t instrument = lastInstrument[channel];
            if (instrument == 0) continue;
            out(NoteTrigger{instrument, cell.delayTicks});
        }
    }

private:
    int channelCount = 0;
    std::vector<int> rowCounts;     // per pattern
    std::vector<size_t> firstCell;  // per pattern, index into cells
    std::vector<CellTrigger> cells;
};
