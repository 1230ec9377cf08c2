// SPDX-License-Identifier: MIT
// Counts the flashes of a picture sequence the way the photosensitivity
// guidelines define them. The picture is cut into 4x4 tiles (at 640x480 a
// tile is about a 10-degree field at a usual viewing distance) and each
// tile's mean colour is followed in linear light:
//
// - A general transition is a rise or fall of the tile's relative luminance
//   (0.2126 R + 0.7152 G + 0.0722 B of the linearised sRGB values) by at
//   least 0.1 between a valley and a peak, the darker of the two below 0.8.
// - A red transition is a rise or fall by at least 20 of the tile's red
//   value, max(0, (R - G - B) x 320) of its linear values, counted only while
//   the tile is saturated red (R / (R + G + B) >= 0.8) and 0 otherwise, so
//   every red transition goes into or out of saturated red.
// - A flash is a pair of opposing transitions: a second holding n
//   transitions of a tile holds n / 2 flashes (rounded down), counted over
//   every window of one second (fps frames) that starts at a frame.
//
// Valleys and peaks are found with a hysteresis of the threshold itself: a
// run of rising values ends at its peak once the values have fallen from it
// by the threshold, so noise smaller than a transition never splits a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int flashTilesAcross = 4;
constexpr int flashTilesDown = 4;
constexpr int flashTileCount = flashTilesAcross * flashTilesDown;

// The mean colour of one tile in linear light, each channel 0 to 1.
struct TileColour {
    double red = 0, green = 0, blue = 0;
};
double linearFromSrgb(double value);  // an sRGB value 0..1 in linear light
double relativeLuminance(const TileColour& colour);
double redFlashValue(const TileColour& colour);  // 0 unless saturated red

// The most flashes of one kind in any one-second window, and where the first
// such window starts: its frame, and its tile, 0..15 row by row from the top
// left.
struct WorstSecond {
    int flashes = 0;
    uint64_t frame = 0;
    int tile = 0;
};
struct FlashPeak {
    WorstSecond general, red;
};

class FlashCounter {
public:
    // Frames of width x height pixels, fps of them a second.
    FlashCounter(int width, int height, int fps);

    // The next frame: 8-bit sRGB, R, G, B first in each pixel of
    // `pixelBytes` (3, or 4 for RGBA as readFramePixels gives it), rows top
    // first and width x pixelBytes apart.
    void addFrame(const uint8_t* pixels, int pixelBytes = 3);

    uint64_t frames() const { return frameCount; }

    // The worst second among the windows that start at frames first..last-1
    // (a window may run on past `last`, to the last frame added).
    FlashPeak worstSecond(uint64_t first, uint64_t last) const;
    FlashPeak worstSecond() const { return worstSecond(0, frameCount); }

    // Frames at which each transition of a tile completes (its peak or
    // valley), in order; the open run at the end counts when it is already a
    // transition.
    std::vector<uint64_t> generalTransitions(int tile) const;
    std::vector<uint64_t> redTransitions(int tile) const;

private:
    // Follows one series of values and records the frame of every run
    // between a valley and a peak that differ by the threshold.
    struct TurnFinder {
        double threshold = 0;
        bool darkerBelowLimit = false;  // luminance: the darker state must be below 0.8
        int direction = 0;              // 0 before the first run, else +1 rising, -1 falling
        double low = 0, high = 0;       // before the first run: the range seen
        uint64_t lowFrame = 0, highFrame = 0;
        double start = 0;  // the turning point the current run left
        double extreme = 0;
        uint64_t extremeFrame = 0;
        bool seen = false;
        std::vector<uint64_t> completed;

        void add(double value, uint64_t frame);
        bool counts(double from, double to) const;
        std::vector<uint64_t> withOpenRun() const;
    };

    void addTiles(const TileColour* tiles);
    static int worstIn(const std::vector<uint64_t>& transitions, uint64_t first, uint64_t last, int fps,
                       uint64_t& where);

    int width, height, fps;
    uint64_t frameCount = 0;
    TurnFinder general[flashTileCount];
    TurnFinder red[flashTileCount];
    std::vector<double> sums;  // scratch, per tile R, G, B sums
};
