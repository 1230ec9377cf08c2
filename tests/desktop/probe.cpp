// SPDX-License-Identifier: MIT
#include "probe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
double regionMean(const GreyPicture& p, int x0, int y0, int w, int h) {
    double sum = 0.0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) sum += p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
    return w > 0 && h > 0 ? sum / (255.0 * w * h) : 0.0;
}

// Sums of `step` samples: a cheap low-passed, shorter signal for the coarse
// search.
std::vector<float> sumsOf(const std::vector<float>& signal, size_t step) {
    std::vector<float> out(signal.size() / step);
    for (size_t i = 0; i < out.size(); ++i)
        for (size_t k = 0; k < step; ++k) out[i] += signal[i * step + k];
    return out;
}

// Normalised cross-correlation of `ref[from, from+length)` with
// `rec[start, start+length)`; 0 where either is silent or out of range.
double correlation(const std::vector<float>& rec, const std::vector<float>& ref, size_t from, size_t length,
                   long start) {
    if (start < 0 || size_t(start) + length > rec.size() || from + length > ref.size()) return 0.0;
    double dot = 0.0, recEnergy = 0.0, refEnergy = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double a = rec[size_t(start) + i], b = ref[from + i];
        dot += a * b;
        recEnergy += a * a;
        refEnergy += b * b;
    }
    if (recEnergy <= 0.0 || refEnergy <= 0.0) return 0.0;
    return dot / std::sqrt(recEnergy * refEnergy);
}
}  // namespace

PictureSummary summarisePicture(const GreyPicture& p) {
    PictureSummary s{};
    s.mean = regionMean(p, 0, 0, p.width, p.height);
    const int w = p.width / 8, h = p.height / 8;
    s.corners[0] = regionMean(p, 0, 0, w, h);
    s.corners[1] = regionMean(p, p.width - w, 0, w, h);
    s.corners[2] = regionMean(p, 0, p.height - h, w, h);
    s.corners[3] = regionMean(p, p.width - w, p.height - h, w, h);
    return s;
}

double pictureDifference(const GreyPicture& a, const GreyPicture& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
        return 1.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / (255.0 * double(a.pixels.size()));
}

PictureArea findLitArea(const GreyPicture& p, int darkest) {
    std::vector<int> litInRow(size_t(p.height), 0), litInColumn(size_t(p.width), 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.pixels[size_t(y) * size_t(p.width) + size_t(x)] > darkest) {
                ++litInRow[size_t(y)];
                ++litInColumn[size_t(x)];
            }
    // First and last index whose count is over half of `across`.
    const auto span = [](const std::vector<int>& counts, int across, int& first, int& last) {
        first = -1;
        last = -1;
        for (size_t i = 0; i < counts.size(); ++i)
            if (2 * counts[i] > across) {
                if (first < 0) first = int(i);
                last = int(i);
            }
    };
    int top, bottom, left, right;
    span(litInRow, p.width, top, bottom);
    span(litInColumn, p.height, left, right);
    if (top < 0 || left < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

long changedPixels(const GreyPicture& a, const GreyPicture& b, int x, int y, int width, int height, int by) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return -1;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, a.width), y1 = std::min(y + height, a.height);
    long changed = 0;
    for (int row = y0; row < y1; ++row)
        for (int column = x0; column < x1; ++column) {
            const size_t i = size_t(row) * size_t(a.width) + size_t(column);
            if (std::abs(int(a.pixels[i]) - int(b.pixels[i])) > by) ++changed;
        }
    return changed;
}

double loudness(const std::vector<int16_t>& samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (const int16_t s : samples) sum += double(s) * double(s);
    return std::sqrt(sum / double(samples.size())) / 32768.0;
}

Match findInRecording(const std::vector<float>& recording, const std::vector<float>& reference, size_t from,
                      size_t length, long firstStart, long lastStart) {
    constexpr size_t step = 8;
    const std::vector<float> rec = sumsOf(recording, step), ref = sumsOf(reference, step);
    // Coarse: every start that is a multiple of the step.
    Match coarse;
    for (long start = firstStart / long(step); start <= lastStart / long(step); ++start) {
        const double score = correlation(rec, ref, from / step, length / step, start);
        if (score > coarse.score) coarse = {start * long(step), score};
    }
    if (coarse.start < 0) return {};
    // Fine: every sample around the coarse peak, at the full rate.
    Match best;
    for (long start = coarse.start - long(2 * step); start <= coarse.start + long(2 * step); ++start) {
        if (start < firstStart || start > lastStart) continue;
        const double score = correlation(recording, reference, from, length, start);
        if (score > best.score) best = {start, score};
    }
    return best;
}

double CaptureClock::frameZeroAt(double moment, double span) const {
    double start = 0.0;
    bool seen = false;
    for (const Delivery& d : deliveries) {
        if (std::abs(d.time - moment) > span) continue;
        const double bound = d.time - double(d.frames) / rate;
        if (!seen || bound < start) start = bound;
        seen = true;
    }
    return start;
}

double CaptureClock::frameZeroAt() const {
    return deliveries.empty() ? 0.0 : frameZeroAt(deliveries.front().time, 1e300);
}
