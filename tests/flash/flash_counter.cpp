// SPDX-License-Identifier: MIT
#include "flash_counter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double luminanceStep = 0.1;
constexpr double darkerLimit = 0.8;
constexpr double redStep = 20.0;
constexpr double saturatedRedShare = 0.8;

struct LinearTable {
    double value[256];
    LinearTable() {
        for (int i = 0; i < 256; ++i) value[i] = linearFromSrgb(i / 255.0);
    }
};
const LinearTable linear;
}  // namespace

double linearFromSrgb(double value) {
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const TileColour& colour) {
    return 0.2126 * colour.red + 0.7152 * colour.green + 0.0722 * colour.blue;
}

double redFlashValue(const TileColour& colour) {
    const double total = colour.red + colour.green + colour.blue;
    if (total <= 0.0 || colour.red / total < saturatedRedShare) return 0.0;
    return std::max(0.0, (colour.red - colour.green - colour.blue) * 320.0);
}

FlashCounter::FlashCounter(int width, int height, int fps)
    : width(width), height(height), fps(fps), sums(size_t(flashTileCount) * 3) {
    for (int t = 0; t < flashTileCount; ++t) {
        general[t].threshold = luminanceStep;
        general[t].darkerBelowLimit = true;
        red[t].threshold = redStep;
    }
}

void FlashCounter::addFrame(const uint8_t* pixels, int pixelBytes) {
    const size_t rowBytes = size_t(width) * size_t(pixelBytes);
    std::fill(sums.begin(), sums.end(), 0.0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(y) * rowBytes;
        const int tileRow = y * flashTilesDown / height;
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = row + size_t(x) * size_t(pixelBytes);
            double* sum = &sums[size_t(tileRow * flashTilesAcross + x * flashTilesAcross / width) * 3];
            sum[0] += linear.value[pixel[0]];
            sum[1] += linear.value[pixel[1]];
            sum[2] += linear.value[pixel[2]];
        }
    }
    TileColour tiles[flashTileCount];
    for (int t = 0; t < flashTileCount; ++t) {
        const int tx = t % flashTilesAcross, ty = t / flashTilesAcross;
        // Tile edges at x * 4 / width changes: the same split as above.
        const int x0 = (tx * width + flashTilesAcross - 1) / flashTilesAcross;
        const int x1 = ((tx + 1) * width + flashTilesAcross - 1) / flashTilesAcross;
        const int y0 = (ty * height + flashTilesDown - 1) / flashTilesDown;
        const int y1 = ((ty + 1) * height + flashTilesDown - 1) / flashTilesDown;
        const double count = double(x1 - x0) * double(y1 - y0);
        if (count <= 0) continue;
        tiles[t] = {sums[size_t(t) * 3] / count, sums[size_t(t) * 3 + 1] / count, sums[size_t(t) * 3 + 2] / count};
    }
    addTiles(tiles);
}

void FlashCounter::addTiles(const TileColour* tiles) {
    for (int t = 0; t < flashTileCount; ++t) {
        general[t].add(relativeLuminance(tiles[t]), frameCount);
        red[t].add(redFlashValue(tiles[t]), frameCount);
    }
    ++frameCount;
}

bool FlashCounter::TurnFinder::counts(double from, double to) const {
    return !darkerBelowLimit || std::min(from, to) < darkerLimit;
}

void FlashCounter::TurnFinder::add(double value, uint64_t frame) {
    if (!seen) {
        seen = true;
        low = high = value;
        lowFrame = highFrame = frame;
        return;
    }
    if (direction == 0) {
        if (value > high) high = value, highFrame = frame;
        if (value < low) low = value, lowFrame = frame;
        if (high - low < threshold) return;
        // The first run: from whichever of the two extremes came first.
        direction = highFrame > lowFrame ? 1 : -1;
        start = direction > 0 ? low : high;
        extreme = direction > 0 ? high : low;
        extremeFrame = direction > 0 ? highFrame : lowFrame;
        return;
    }
    if ((value - extreme) * direction >= 0) {
        // A run ends where it first reaches its extreme, not at the end of
        // the plateau that may follow.
        if (value != extreme) extreme = value, extremeFrame = frame;
        return;
    }
    if ((extreme - value) * direction < threshold) return;
    // Turned back by a whole step: the run ended at its extreme.
    if (counts(start, extreme)) completed.push_back(extremeFrame);
    start = extreme;
    extreme = value;
    extremeFrame = frame;
    direction = -direction;
}

std::vector<uint64_t> FlashCounter::TurnFinder::withOpenRun() const {
    std::vector<uint64_t> all = completed;
    if (direction != 0 && counts(start, extreme)) all.push_back(extremeFrame);
    return all;
}

std::vector<uint64_t> FlashCounter::generalTransitions(int tile) const { return general[tile].withOpenRun(); }

std::vector<uint64_t> FlashCounter::redTransitions(int tile) const { return red[tile].withOpenRun(); }

int FlashCounter::worstIn(const std::vector<uint64_t>& transitions, uint64_t first, uint64_t last, int fps,
                          uint64_t& where) {
    // Windows [s, s + fps) for s in first..last-1; the count only changes
    // where a window starts at a transition, so those starts (and `first`)
    // are the only ones to try.
    int worst = 0;
    where = first;
    auto tryWindow = [&](uint64_t s) {
        const auto from = std::lower_bound(transitions.begin(), transitions.end(), s);
        const auto to = std::lower_bound(from, transitions.end(), s + uint64_t(fps));
        const int flashes = int(to - from) / 2;
        if (flashes > worst) worst = flashes, where = s;
    };
    tryWindow(first);
    for (uint64_t frame : transitions)
        if (frame > first && frame < last) tryWindow(frame);
    return worst;
}

FlashPeak FlashCounter::worstSecond(uint64_t first, uint64_t last) const {
    FlashPeak peak;
    if (first >= last) return peak;
    auto keepWorst = [&](WorstSecond& worst, const std::vector<uint64_t>& transitions, int tile) {
        uint64_t where = 0;
        const int flashes = worstIn(transitions, first, last, fps, where);
        if (flashes > worst.flashes) worst = {flashes, where, tile};
    };
    for (int t = 0; t < flashTileCount; ++t) {
        keepWorst(peak.general, generalTransitions(t), t);
        keepWorst(peak.red, redTransitions(t), t);
    }
    return peak;
}
