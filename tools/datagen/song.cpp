// SPDX-License-Identifier: MIT
#include "song.h"

#include <cctype>
#include <cstdio>
#include <sstream>

#include "instruments.h"

namespace {

// Channels: the Amiga pans 0 and 3 left, 1 and 2 right.
constexpr int drums = 0;
constexpr int bassline = 1;
constexpr int melody = 2;
constexpr int harmony = 3;

// Pitch classes with C = 0.
enum Pitch { C = 0, D = 2, E = 4, F = 5, G = 7, A = 9, B = 11 };

struct Chord {
    int root;
    bool minor;
};
constexpr Chord Am{A, true}, Dm{D, true}, Em{E, true};
constexpr Chord Fmaj{F, false}, Cmaj{C, false}, Gmaj{G, false}, Emaj{E, false};

// Effects by their ProTracker numbers.
constexpr int arpeggio = 0x0, tonePortamento = 0x3, vibrato = 0x4, setPanning = 0x8, volumeSlide = 0xA,
              patternBreak = 0xD, setVolume = 0xC, extended = 0xE, setSpeed = 0xF;
constexpr int noteCut = 0xC0;  // extended effect ECx: cut the note after x ticks

// The song's sections in order: each a builder of one position.
class Score {
public:
    explicit Score(ComposedSong& song) : song_(song) {}

    int begin(int rows) {
        song_.module.patterns.emplace_back();
        order_ = int(song_.module.patterns.size()) - 1;
        song_.module.orders.push_back(uint8_t(order_));
        rows_.push_back(rows);
        if (rows < 64) effect(harmonyBreakChannel(rows - 1), rows - 1, patternBreak, 0);
        return order_;
    }

    // A note at a row: pitch as a MIDI number (A4 = 69) for pitched
    // instruments, ignored for percussion (played at its recorded rate).
    void note(int channel, int row, int instrument, int midi, int fx = -1, int parameter = 0) {
        if (!checkRow(row)) return;
        ModCell& cell = cell_(channel, row);
        cell.instrument = uint8_t(instrument);
        cell.period = periodFor(instrument, midi, row);
        if (fx >= 0) setEffect(cell, fx, parameter);
    }

    void effect(int channel, int row, int fx, int parameter) {
        if (!checkRow(row)) return;
        setEffect(cell_(channel, row), fx, parameter);
    }

    bool hasEffect(int channel, int row) { return cell_(channel, row).effect || cell_(channel, row).parameter; }

    void problem(const std::string& what) {
        std::ostringstream s;
        s << "position " << order_ << ": " << what;
        song_.problems.push_back(s.str());
    }

    int rows() const { return rows_.back(); }

private:
    ModCell& cell_(int channel, int row) { return song_.module.patterns[size_t(order_)].cells[row][channel]; }

    bool checkRow(int row) {
        if (row >= 0 && row < rows_.back()) return true;
        problem("row " + std::to_string(row) + " outside the position");
        return false;
    }

    void setEffect(ModCell& cell, int fx, int parameter) {
        if ((cell.effect || cell.parameter) && !(cell.effect == fx && cell.parameter == parameter))
            problem("two effects on one cell");
        cell.effect = uint8_t(fx);
        cell.parameter = uint8_t(parameter);
    }

    // The pattern break goes on the last channel whose effect is free on the
    // last row; the composer keeps one free there.
    int harmonyBreakChannel(int) { return harmony; }

    uint16_t periodFor(int instrument, int midi, int row) {
        int shift = instrumentOctaveShift(instrument);
        if (shift < 0) return instrument == riser ? modPeriod(2, 0) : modPeriod(3, 0);
        int octave = midi / 12 - 1 - shift;
        int semitone = midi % 12;
        if (octave < 1 || octave > 3) {
            problem("note " + std::to_string(midi) + " of instrument " + std::to_string(instrument) + " at row " +
                    std::to_string(row) + " outside the three octaves");
            octave = octave < 1 ? 1 : 3;
        }
        return modPeriod(octave, semitone);
    }

    ComposedSong& song_;
    int order_ = -1;
    std::vector<int> rows_;
};

// ------------------------------------------------------------ notation

// Melodies as text: "e5:2 a4:2 r:4 ~:2" = E5 for two rows, A4 for two,
// a rest (the note is silenced) for four, the previous note held for two.
// A leading '/' glides into the note (tone portamento).
struct MelodyEvent {
    int midi;    // -1 rest, -2 hold
    int length;  // rows
    bool glide;
};

std::vector<MelodyEvent> parseMelody(const std::string& text, Score& score) {
    std::vector<MelodyEvent> events;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        MelodyEvent e{-1, 0, false};
        size_t colon = token.find(':');
        if (colon == std::string::npos) {
            score.problem("melody token without length: " + token);
            continue;
        }
        std::string name = token.substr(0, colon);
        e.length = std::atoi(token.c_str() + colon + 1);
        if (!name.empty() && name[0] == '/') {
            e.glide = true;
            name.erase(0, 1);
        }
        if (name == "r")
            e.midi = -1;
        else if (name == "~")
            e.midi = -2;
        else {
            static const int letters[7] = {A, B, C, D, E, F, G};
            int letter = std::tolower(static_cast<unsigned char>(name[0])) - 'a';
            if (letter < 0 || letter > 6 || name.size() < 2) {
                score.problem("bad note " + token);
                continue;
            }
            int pitch = letters[letter];
            size_t i = 1;
            if (name[i] == '#')
                pitch += 1, ++i;
            else if (name[i] == 'b')
                pitch -= 1, ++i;
            int octave = std::atoi(name.c_str() + i);
            e.midi = (octave + 1) * 12 + pitch;
        }
        events.push_back(e);
    }
    return events;
}

struct MelodyStyle {
    int instrument;
    int volume = -1;       // set on every note when >= 0
    int vibratoAfter = 3;  // rows into a long note before vibrato starts; 0 = none
    int vibratoParameter = 0x43;
};

// Places a melody from a row on; returns the row after its end.
int placeMelody(Score& score, int channel, int row, const std::string& text, const MelodyStyle& style) {
    for (const MelodyEvent& e : parseMelody(text, score)) {
        if (e.midi == -1) {
            score.effect(channel, row, setVolume, 0);
        } else if (e.midi >= 0) {
            if (e.glide) {
                score.note(channel, row, style.instrument, e.midi, tonePortamento, 0x18);
                for (int k = 1; k < e.length && k < 6; ++k) score.effect(channel, row + k, tonePortamento, 0);
            } else {
                score.note(channel, row, style.instrument, e.midi);
                if (style.volume >= 0) score.effect(channel, row, setVolume, style.volume);
                if (style.vibratoAfter > 0)
                    for (int k = style.vibratoAfter; k < e.length; ++k)
                        score.effect(channel, row + k, vibrato, style.vibratoParameter);
            }
        }
        row += e.length;
    }
    if (row > score.rows()) score.problem("melody runs " + std::to_string(row - score.rows()) + " rows past the end");
    return row;
}

// Drums: one character per row. k kick, s snare, g ghost snare, h closed
// hat, H accented hat, o open hat, c clap, t tom, x the accent crash,
// b boom, '.' nothing.
void placeDrums(Score& score, int row, const std::string& bar, int hatVolume = 26) {
    for (size_t i = 0; i < bar.size(); ++i, ++row) {
        switch (bar[i]) {
            case 'k': score.note(drums, row, kick, 0); break;
            case 's': score.note(drums, row, snare, 0); break;
            case 'g': score.note(drums, row, snare, 0, setVolume, 18); break;
            case 'h': score.note(drums, row, closedHat, 0, setVolume, hatVolume); break;
            case 'H': score.note(drums, row, closedHat, 0, setVolume, hatVolume + 14); break;
            case 'o': score.note(drums, row, openHat, 0); break;
            case 'c': score.note(drums, row, clap, 0); break;
            case 't': score.note(drums, row, tom, 0); break;
            case 'x': score.note(drums, row, crash, 0); break;
            case 'b': score.note(drums, row, boom, 0); break;
            default: break;
        }
    }
}

// Bass lines relative to the chord: R root, O octave, F fifth, S seventh
// (sustained); lower case the same, cut short; 'x' silences; '.' nothing.
int bassRoot(const Chord& chord) {
    return 28 + (chord.root - E + 12) % 12;  // E1 .. D#2
}

void placeBass(Score& score, int row, const Chord& chord, const std::string& bar, int volume = -1) {
    int root = bassRoot(chord);
    for (size_t i = 0; i < bar.size(); ++i, ++row) {
        char c = bar[i];
        int offset;
        switch (std::toupper(static_cast<unsigned char>(c))) {
            case 'R': offset = 0; break;
            case 'O': offset = 12; break;
            case 'F': offset = 7; break;
            case 'S': offset = 10; break;
            case 'X': score.effect(bassline, row, setVolume, 0); continue;
            default: continue;
        }
        if (std::islower(static_cast<unsigned char>(c)))
            score.note(bassline, row, bass, root + offset, extended, noteCut | 4);
        else if (volume >= 0)
            score.note(bassline, row, bass, root + offset, setVolume, volume);
        else
            score.note(bassline, row, bass, root + offset);
    }
}

// A chord from the pad samples, root in octave 3.
int padRoot(const Chord& chord) { return 48 + chord.root; }
int padInstrument(const Chord& chord) { return chord.minor ? padMinor : padMajor; }

// A pad that swells from one volume towards another, 10 a row (2 a tick).
void swellPad(Score& score, int row, const Chord& chord, int fromVolume, int toVolume) {
    score.note(harmony, row, padInstrument(chord), padRoot(chord), setVolume, fromVolume);
    // Whole rows of +10, then the rest (in steps of 5, a slide of 1 a tick).
    int rise = toVolume - fromVolume;
    for (int k = 1; k <= rise / 10; ++k) score.effect(harmony, row + k, volumeSlide, 0x20);
    if (rise % 10 >= 5) score.effect(harmony, row + rise / 10 + 1, volumeSlide, 0x10);
}

// Chord stabs: 'C' a stab cut after three ticks, 'L' a longer one.
void placeStabs(Score& score, int row, const Chord& chord, const std::string& bar) {
    for (size_t i = 0; i < bar.size(); ++i, ++row) {
        if (bar[i] == 'C')
            score.note(harmony, row, padInstrument(chord), padRoot(chord), extended, noteCut | 3);
        else if (bar[i] == 'L')
            score.note(harmony, row, padInstrument(chord), padRoot(chord));
    }
}

// Plucked arpeggio over the chord: digits index the chord tones
// 0 root, 1 third, 2 fifth, 3 octave; '.' nothing.
void placeArp(Score& score, int row, const Chord& chord, const std::string& bar) {
    int base = 60 + chord.root;  // C4 .. B4, so the octave stays within B5
    int tones[4] = {0, chord.minor ? 3 : 4, 7, 12};
    for (size_t i = 0; i < bar.size(); ++i, ++row)
        if (bar[i] >= '0' && bar[i] <= '3') score.note(harmony, row, pluck, base + tones[bar[i] - '0']);
}

// A tracker arpeggio (effect 0xy) on the chip square: the chord rattled
// out tick by tick, retriggered on 'N', held with the effect elsewhere.
void placeChipChord(Score& score, int row, const Chord& chord, const std::string& bar) {
    int base = 57 + (chord.root - A + 12) % 12;
    int parameter = chord.minor ? 0x37 : 0x47;
    for (size_t i = 0; i < bar.size(); ++i, ++row) {
        if (bar[i] == 'N')
            score.note(harmony, row, chip, base, arpeggio, parameter);
        else if (bar[i] == '-')
            score.effect(harmony, row, arpeggio, parameter);
        else if (bar[i] == 'x')
            score.effect(harmony, row, setVolume, 0);
    }
}

// ------------------------------------------------------------ the tunes

// Theme A, the tune of the demo, in two four-bar halves.
const char* themeA1 =
    "e5:2 a4:2 c5:2 e5:4 d5:2 c5:2 d5:2 "
    "c5:6 a4:2 f4:2 a4:2 c5:2 f5:2 "
    "e5:4 g5:2 e5:2 c5:4 d5:2 e5:2 "
    "d5:6 b4:4 g4:2 a4:2 b4:2";
const char* themeA2 =
    "e5:2 a4:2 c5:2 e5:4 a5:4 g5:2 "
    "f5:6 e5:2 c5:2 a4:2 c5:2 f5:2 "
    "g5:4 f5:2 e5:2 d5:4 b4:2 d5:2 "
    "e5:6 d5:2 b4:4 g#4:4";
// Theme B, over D minor: the cube's tune.
const char* themeB1 =
    "d5:3 f5:3 a5:2 g5:4 f5:2 e5:2 "
    "e5:3 c5:3 a4:2 c5:4 e5:4 "
    "g#4:3 b4:3 e5:2 d5:4 b4:2 g#4:2 "
    "a4:8 r:4 e4:2 a4:2";
const char* themeB2 =
    "c5:3 f5:3 a5:2 g5:4 f5:2 a5:2 "
    "b5:3 a5:3 g5:2 d5:4 g5:4 "
    "a5:6 g5:2 e5:4 c5:2 d5:2 "
    "e5:12 r:4";
// Theme C: the scroller's chattering answer.
const char* themeC =
    "a4:2 c5:2 e5:2 a5:2 g5:2 e5:2 c5:2 e5:2 "
    "f5:2 a5:2 f5:2 c5:2 a4:2 c5:2 f5:4 "
    "g5:2 e5:2 c5:2 g4:2 c5:2 e5:2 g5:4 "
    "b5:4 a5:2 g5:2 d5:4 b4:4";
// The intro's glimmering bell figure.
const char* bellIntro =
    "a5:4 e5:4 c5:4 e5:4 "
    "a5:4 f5:4 c5:4 f5:4 "
    "g5:4 e5:4 c5:4 e5:4 "
    "b5:4 g5:4 d5:4 g5:4";

const MelodyStyle leadStyle{lead, -1, 3, 0x43};
const MelodyStyle softLead{lead, 30, 3, 0x33};
const MelodyStyle bellStyle{bell, -1, 0, 0};

// ------------------------------------------------------------ sections

// Where each channel stands between the speakers: effect 8xx, which the
// decoder reads in a MOD from 0 (left) through 0x40 (the middle) to 0x80
// (right). The Amiga's own hard left-right-right-left split puts the drums
// and chords on one side and the bass and tune on the other, so the mix
// leaned towards whichever side was busier; close to the middle, with a
// little spread for width, the two sides stay within about a decibel of each
// other whatever plays.
constexpr int leftOfMiddle = 0x3C, rightOfMiddle = 0x44;
constexpr int channelPanning[4] = {leftOfMiddle, rightOfMiddle, rightOfMiddle, leftOfMiddle};

// 0:00 The title. Pads swell out of silence under the bell figure. The first
// rows place the channels (the bass, silent until the third bar, on the
// second row, after the tempo), so the first chord comes in on the second.
void introOne(Score& s) {
    s.begin(64);
    s.effect(bassline, 0, setSpeed, 96);  // 96 beats a minute, speed 6 by default
    for (int channel = 0; channel < 4; ++channel)
        s.effect(channel, channel == bassline ? 1 : 0, setPanning, channelPanning[channel]);
    const Chord chords[4] = {Am, Fmaj, Cmaj, Gmaj};
    for (int bar = 0; bar < 4; ++bar) swellPad(s, bar ? bar * 16 : 1, chords[bar], bar ? 20 : 0, 44);
    placeMelody(s, melody, 0, bellIntro, bellStyle);
    for (int bar = 2; bar < 4; ++bar) {
        placeBass(s, bar * 16, chords[bar], "R", 30);
        placeDrums(s, bar * 16, "h.......h...h...", 14);
    }
}

// 0:10 The title continues; at row 32 the title gives way and the build
// to the drop begins: snare roll, rising bass, the riser.
void introTwoAndBuild(Score& s) {
    s.begin(64);
    swellPad(s, 0, Am, 24, 44);
    swellPad(s, 16, Fmaj, 24, 44);
    placeMelody(s, melody, 0, "a5:4 e5:4 c5:4 e5:4 a5:4 f5:4 c5:4 a4:4", bellStyle);
    placeBass(s, 0, Am, "R.......o.......", 34);
    placeBass(s, 16, Fmaj, "R.......o.......", 34);
    placeDrums(s, 0, "h...h...h...h.h.", 16);
    placeDrums(s, 16, "h...h...h...hhhh", 18);
    // The build.
    swellPad(s, 32, Dm, 20, 44);
    swellPad(s, 48, Emaj, 30, 56);
    s.note(melody, 32, riser, 0);
    for (int r = 32; r < 62; ++r) {
        int volume = 20 + (r - 32) * 44 / 30;
        bool hit = r < 44 ? (r % 4 == 0) : r < 54 ? (r % 2 == 0) : true;
        if (hit) s.note(drums, r, snare, 0, setVolume, volume);
        if (r % 2 == 0) s.note(bassline, r, bass, bassRoot(Emaj) + (r >= 48 && r % 4 == 2 ? 12 : 0), setVolume, volume);
    }
    // A breath of silence on the last two rows before the drop.
    s.effect(bassline, 62, setVolume, 0);
}

// The groove of the theme sections.
const char* grooveBar = "k.h.s.hkh.k.s.hh";
const char* grooveFill = "k.h.s.hkh.k.sgss";
const char* bassGroove = "r.o.r.oRr.o.r.oO";

void themeSection(Score& s, const char* tune, const Chord (&chords)[4], bool accent, const char* stabs, bool claps) {
    s.begin(64);
    for (int bar = 0; bar < 4; ++bar) {
        std::string drumsBar = bar == 3 ? grooveFill : grooveBar;
        if (claps) drumsBar[12] = 'c', drumsBar[14] = 'o';
        if (bar == 0) drumsBar[0] = accent ? 'x' : 'k';
        placeDrums(s, bar * 16, drumsBar);
        placeBass(s, bar * 16, chords[bar], bassGroove);
        placeStabs(s, bar * 16, chords[bar], stabs);
    }
    placeMelody(s, melody, 0, tune, leadStyle);
}

// 0:20 The drop: the flower scene begins. A boom instead of the first stab.
void dropOne(Score& s) {
    const Chord chords[4] = {Am, Fmaj, Cmaj, Gmaj};
    themeSection(s, themeA1, chords, false, "..C..C....C..C..", false);
    s.note(harmony, 0, boom, 0);
}

// 0:30 Second half of the theme; the accent crash lands on its downbeat
// (the first sound of instrument 9 in the song).
void dropTwo(Score& s) {
    const Chord chords[4] = {Am, Fmaj, Gmaj, Emaj};
    themeSection(s, themeA2, chords, true, "..C..C....C..C..", false);
}

// 0:40-1:00 Breakdown under the second card: pads, soft lead, a heartbeat.
void breakdown(Score& s, bool second) {
    s.begin(64);
    const Chord chords[4] = {Fmaj, Gmaj, Em, second ? Emaj : Am};
    for (int bar = 0; bar < 4; ++bar) {
        swellPad(s, bar * 16, chords[bar], 16, 38);
        placeBass(s, bar * 16, chords[bar], "R.......F.......", 30);
        if (second && bar == 3)
            placeDrums(s, bar * 16, "k...s...s.s.ssss");
        else
            placeDrums(s, bar * 16, second ? "k.....h.g.....h." : "k.......g.......", 18);
    }
    if (second)
        placeMelody(s, melody, 0, "c5:6 a4:6 f4:4 d5:6 b4:6 g4:4 e5:6 g5:6 b5:4 g#5:8 e5:4 r:4", softLead);
    else
        placeMelody(s, melody, 0, "a4:6 c5:6 f5:4 g5:12 f5:2 d5:2 e5:6 g5:6 b5:4 a5:12 g5:2 e5:2", softLead);
}

// 1:00-1:20 The cube and the pyramid: theme B, heavier, with claps.
void cubeSection(Score& s, bool second) {
    s.begin(64);
    const Chord first[4] = {Dm, Am, Emaj, Am};
    const Chord other[4] = {Fmaj, Gmaj, Am, Am};
    const Chord(&chords)[4] = second ? other : first;
    for (int bar = 0; bar < 4; ++bar) {
        std::string drumsBar = "k.h.c.hkk.h.c.ho";
        if (bar == 0 && !second) drumsBar[0] = 'x';
        if (bar == 3 && second) drumsBar = "k.h.c.hkk.c.cccc";
        placeDrums(s, bar * 16, drumsBar);
        placeBass(s, bar * 16, chords[bar], "r.rro.rrr.rro.ro");
        placeArp(s, bar * 16, chords[bar], "0.1.2.3.2.1.0.2.");
    }
    placeMelody(s, melody, 0, second ? themeB2 : themeB1, leadStyle);
}

// 1:20 Card of the scroller: a chip-tune interlude, tracker arpeggios.
void chipInterlude(Score& s) {
    s.begin(64);
    const Chord chords[4] = {Am, Fmaj, Cmaj, Gmaj};
    for (int bar = 0; bar < 4; ++bar) {
        placeChipChord(s, bar * 16, chords[bar], "N---N---N---N---");
        placeBass(s, bar * 16, chords[bar], "r.o.r.o.r.o.r.o.");
        placeDrums(s, bar * 16, bar == 3 ? "h.h.h.h.s.h.ssss" : "h.h.H.h.h.h.H.h.", 20);
    }
    placeMelody(s, melody, 0,
                "e5:2 r:2 a5:2 r:2 g5:2 e5:2 r:4 f5:2 r:2 a5:2 r:2 c5:4 r:4 "
                "g5:2 r:2 e5:2 r:2 c5:2 d5:2 e5:4 d5:8 b4:8",
                MelodyStyle{lead, 36, 2, 0x54});
}

// 1:30-2:15 The scroller: the theme over tracker arpeggios.
void scrollerSection(Score& s, const char* tune, const Chord (&chords)[4], bool accent) {
    s.begin(64);
    for (int bar = 0; bar < 4; ++bar) {
        std::string drumsBar = bar == 3 ? "k.h.s.hkh.k.s.so" : "k.h.s.hkh.k.s.hH";
        if (bar == 0 && accent) drumsBar[0] = 'x';
        placeDrums(s, bar * 16, drumsBar);
        placeBass(s, bar * 16, chords[bar], bassGroove);
        placeChipChord(s, bar * 16, chords[bar], "N-------N---N---");
    }
    placeMelody(s, melody, 0, tune, leadStyle);
}

void scrollerBridge(Score& s) {
    s.begin(64);
    const Chord chords[4] = {Fmaj, Gmaj, Em, Emaj};
    for (int bar = 0; bar < 4; ++bar) {
        placeDrums(s, bar * 16, bar == 3 ? "k...s...k.s.s.ss" : "k...s..kh.k.s...");
        placeBass(s, bar * 16, chords[bar], "R.....R.....R.O.");
        swellPad(s, bar * 16, chords[bar], 20, 32);
    }
    placeMelody(s, melody, 0, "a4:6 c5:6 f5:4 g5:12 f5:2 d5:2 e5:6 g5:6 b5:4 /g#5:8 b5:8", leadStyle);
}

// 2:10 Half a position: a tom fill to turn the corner.
void scrollerTurn(Score& s) {
    s.begin(32);
    placeDrums(s, 0, "k.h.s.hkh.k.s.hh");
    placeDrums(s, 16, "t.t.t.tts.s.ssss");
    placeBass(s, 0, Am, "r.o.r.oRr.o.r.oO");
    placeBass(s, 16, Emaj, "R.......r.r.r.r.");
    placeMelody(s, melody, 0, "e5:8 c5:8 b4:8 g#4:8", leadStyle);
    placeChipChord(s, 0, Am, "N-------");
    placeChipChord(s, 16, Emaj, "N-------N-----");
}

// 2:15 The fractal's card: still water, bell and pads.
void ethereal(Score& s) {
    s.begin(64);
    const Chord chords[4] = {Am, Fmaj, Dm, Emaj};
    s.note(drums, 0, boom, 0);
    for (int bar = 0; bar < 4; ++bar) {
        swellPad(s, bar * 16, chords[bar], 10, 40);
        placeBass(s, bar * 16, chords[bar], "R", 36);
    }
    placeMelody(s, melody, 0,
                "e5:2 a5:2 c5:2 e5:2 a5:4 b5:4 c5:2 f5:2 a5:2 c5:2 f5:8 "
                "d5:2 f5:2 a5:2 d5:2 f5:8 e5:2 g#5:2 b5:2 e5:2 g#5:4 b5:4",
                bellStyle);
    placeDrums(s, 48, "........g.g.gggg");
}

// 2:25-2:50 The tunnel: driving sixteenths, the lead gliding between notes.
void tunnelSection(Score& s, int part) {
    s.begin(part == 2 ? 32 : 64);
    // The last, half position turns to the dominant for the morph's card.
    const Chord chords[4] = {Am, part == 2 ? Emaj : Am, Fmaj, Gmaj};
    int bars = part == 2 ? 2 : 4;
    for (int bar = 0; bar < bars; ++bar) {
        std::string drumsBar = "khhhshkhkhhhshhh";
        if (bar == 0 && part == 0) drumsBar[0] = 'x';
        if (part == 2 && bar == 1) drumsBar = "s.s.s.s.ssssssss";
        placeDrums(s, bar * 16, drumsBar, 22);
        placeBass(s, bar * 16, chords[bar], "rrrorrrorrrorrro");
        if (part >= 1) placeArp(s, bar * 16, chords[bar], "0213021302130213");
    }
    if (part == 0)
        placeMelody(s, melody, 0, "a4:16 /e5:8 /c5:8 /f5:16 /g5:8 /b5:8", leadStyle);
    else if (part == 1)
        placeMelody(s, melody, 0, "/a5:16 /e5:8 /g5:8 /a5:16 /b5:8 /d5:8", leadStyle);
    else
        placeMelody(s, melody, 0, "/e5:16 /g#5:16", leadStyle);
}

// 2:50 The morph's card: half a position of held breath.
void morphCard(Score& s) {
    s.begin(32);
    swellPad(s, 0, Dm, 16, 40);
    swellPad(s, 16, Emaj, 24, 48);
    placeBass(s, 0, Dm, "R", 40);
    placeBass(s, 16, Emaj, "R.......o.o.o.o.", 44);
    placeMelody(s, melody, 0, "d5:4 f5:4 a5:8 b5:4 g#5:4 e5:8", bellStyle);
    placeDrums(s, 16, "........s.s.ssss");
}

// 2:55-3:10 The climax under the morph: the theme at full strength.
void climax(Score& s, bool half) {
    s.begin(half ? 32 : 64);
    const Chord chords[4] = {Am, Fmaj, Cmaj, Emaj};
    int bars = half ? 2 : 4;
    for (int bar = 0; bar < bars; ++bar) {
        std::string drumsBar = "k.H.c.hkk.k.c.ho";
        if (bar == 0) drumsBar[0] = 'x';
        if (half && bar == 1) drumsBar = "k.h.c.hkk.c.cccc";
        placeDrums(s, bar * 16, drumsBar, 30);
        placeBass(s, bar * 16, chords[bar], bassGroove);
        placeArp(s, bar * 16, chords[bar], "0.1.2.3.3.2.1.2.");
    }
    if (half)
        placeMelody(s, melody, 0, "e5:2 a4:2 c5:2 e5:4 a5:4 g5:2 f5:6 e5:2 c5:2 a4:2 /c5:4", leadStyle);
    else
        placeMelody(s, melody, 0,
                    "e5:2 a4:2 c5:2 e5:4 a5:4 g5:2 f5:6 e5:2 c5:2 a4:2 c5:2 f5:2 "
                    "e5:4 g5:2 e5:2 c5:4 d5:2 e5:2 b4:6 g#4:4 e4:2 g#4:2 b4:2",
                    leadStyle);
}

// 3:10-3:40 The credits: the theme once more, unhurried, thinning out, and
// turning to the dominant for the last chord.
void outro(Score& s, int part) {
    s.begin(64);
    // The second part carries the theme's answer, over its own chords.
    const Chord chords[4] = {Am, Fmaj, part == 1 ? Gmaj : Cmaj, part == 0 ? Gmaj : Emaj};
    for (int bar = 0; bar < 4; ++bar) {
        swellPad(s, bar * 16, chords[bar], 16, 34);
        if (part < 2) {
            std::string drumsBar = "k...h...s...h.h.";
            if (part == 0 && bar == 0) drumsBar[0] = 'x';
            placeDrums(s, bar * 16, drumsBar, 22);
            placeBass(s, bar * 16, chords[bar], "R.......R...F...");
        } else {
            placeDrums(s, bar * 16, "h...h...h...h...", 26 - bar * 4);
            placeBass(s, bar * 16, chords[bar], "R", 40 - bar * 4);
        }
    }
    if (part == 0)
        placeMelody(s, melody, 0, themeA1, bellStyle);
    else if (part == 1)
        placeMelody(s, melody, 0, themeA2, MelodyStyle{lead, 28, 3, 0x33});
    else
        placeMelody(s, melody, 0, "a5:4 e5:4 c5:4 e5:4 a5:4 f5:4 c5:4 f5:4 g5:4 e5:4 c5:4 e5:4 b5:4 g#5:4 e5:4 g#5:4",
                    bellStyle);
}

// 3:40 The end of the show, half a position: the dominant resolves home to
// A minor, and the last chord dies away within a second and a half, so that
// the music has ended, not been cut off, when the programme closes at 3:45.
void finalChord(Score& s) {
    s.begin(32);
    s.note(harmony, 0, padMinor, padRoot(Am), setVolume, 36);
    placeBass(s, 0, Am, "R", 30);
    placeMelody(s, melody, 0, "e5:2 c5:2 a4:12", bellStyle);
    // Five steps of volume a row on every row after the chord has sounded.
    for (int r = 2; r < 10; ++r) {
        s.effect(harmony, r, volumeSlide, 0x01);
        s.effect(bassline, r, volumeSlide, 0x01);
    }
    for (int r = 6; r < 14; ++r) s.effect(melody, r, volumeSlide, 0x02);
    // Nothing may ring on into the programme's last seconds.
    for (int channel = 0; channel < 4; ++channel) s.effect(channel, 16, setVolume, 0);
}

// 3:45 Coda, after the show has closed: a breath of silence (a frame late,
// the programme still plays its last picture), then the dominant, fading, so
// that the loop falls home on A minor at the start of the song.
void coda(Score& s) {
    s.begin(64);
    swellPad(s, 4, Fmaj, 20, 38);
    swellPad(s, 32, Emaj, 20, 38);
    for (int r = 40; r < 64; r += 2) s.effect(harmony, r, volumeSlide, 0x01);
    placeBass(s, 4, Fmaj, "R", 30);
    placeBass(s, 32, Emaj, "R", 30);
    for (int r = 36; r < 64; r += 4) s.effect(bassline, r, volumeSlide, 0x01);
    placeMelody(s, melody, 0, "r:4 a5:8 f5:4 c5:16 b5:8 g#5:8 e5:16", bellStyle);
}

}  // namespace

ComposedSong composeSong() {
    ComposedSong song;
    song.module.title = "glimmervandra";
    synthesiseInstruments(song.module);
    Score s(song);
    introOne(s);            // 0   0:00  title
    introTwoAndBuild(s);    // 1   0:10  title ends at row 32 (0:15), build
    dropOne(s);             // 2   0:20  the drop: flower scene
    dropTwo(s);             // 3   0:30  first accent (instrument 9)
    breakdown(s, false);    // 4   0:40  card II
    breakdown(s, true);     // 5   0:50
    cubeSection(s, false);  // 6   1:00  cube and pyramid
    cubeSection(s, true);   // 7   1:10
    chipInterlude(s);       // 8   1:20  card III
    const Chord scrollChords[4] = {Am, Fmaj, Cmaj, Gmaj};
    const Chord answerChords[4] = {Am, Fmaj, Gmaj, Emaj};
    scrollerSection(s, themeA1, scrollChords, true);   // 9   1:30 scroller
    scrollerSection(s, themeA2, answerChords, false);  // 10  1:40
    scrollerSection(s, themeC, scrollChords, true);    // 11  1:50
    scrollerBridge(s);                                 // 12  2:00
    scrollerTurn(s);                                   // 13  2:10  (half)
    ethereal(s);                                       // 14  2:15  card IV
    tunnelSection(s, 0);                               // 15  2:25  tunnel
    tunnelSection(s, 1);                               // 16  2:35
    tunnelSection(s, 2);                               // 17  2:45  (half)
    morphCard(s);                                      // 18  2:50  card V (half)
    climax(s, false);                                  // 19  2:55  morph
    climax(s, true);                                   // 20  3:05  (half)
    outro(s, 0);                                       // 21  3:10  credits
    outro(s, 1);                                       // 22  3:20
    outro(s, 2);                                       // 23  3:30
    finalChord(s);                                     // 24  3:40  (half): the end of the show
    coda(s);                                           // 25  3:45-3:55, then back to the start
    song.module.restartPosition = 0;
    return song;
}

std::vector<int> songPositionRows() {
    std::vector<int> rows;
    ComposedSong song = composeSong();
    for (size_t i = 0; i < song.module.orders.size(); ++i) {
        const ModPattern& p = song.module.patterns[song.module.orders[i]];
        int length = 64;
        for (int r = 0; r < 64 && length == 64; ++r)
            for (int c = 0; c < 4; ++c)
                if (p.cells[r][c].effect == patternBreak) length = r + 1;
        rows.push_back(length);
    }
    return rows;
}

double songLengthSeconds() {
    double seconds = 0.0;
    for (int rows : songPositionRows()) seconds += rows * songSecondsPerRow;
    return seconds;
}
