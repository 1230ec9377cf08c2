// SPDX-License-Identifier: MIT
#include "app/frame_stats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

namespace {
bool recording = false;
std::string outputPath;
double loopStart = 0.0, cpuStart = 0.0;
double lastPassEnd = 0.0;
int lastRow = 0;
double passSwap = 0.0;
// Per pass: its row and how long it took.
std::vector<std::pair<int, double>> frames;
// Per row: when the timeline first chose it (the swap stamp of that pass,
// taken just before its timeline step) and when a swap first presented a
// frame of it.
std::map<int, double> chosenAt, shownAt;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

double monotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double nearestRankPercentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

std::vector<FrameRowStats> summariseFrames(const std::vector<std::pair<int, double>>& samples) {
    std::map<int, std::vector<double>> byRow;
    for (const auto& [row, seconds] : samples) byRow[row].push_back(seconds);
    std::vector<FrameRowStats> rows;
    for (const auto& [row, times] : byRow)
        rows.push_back({row, times.size(), nearestRankPercentile(times, 0.5) * 1000.0,
                        nearestRankPercentile(times, 0.99) * 1000.0});
    return rows;
}

bool frameStatsBegin() {
    const char* path = std::getenv("GLIMMER_FRAME_STATS");
    recording = path && *path;
    if (!recording) return false;
    outputPath = path;
    frames.clear();
    chosenAt.clear();
    shownAt.clear();
    lastRow = 0;
    loopStart = lastPassEnd = monotonicSeconds();
    cpuStart = cpuSeconds();
    return true;
}

bool frameStatsOn() { return recording; }

void frameStatsSwapped() {
    // This swap presents the frame the previous pass drew; a row's first
    // stamp is when it reached the screen.
    passSwap = monotonicSeconds();
    if (lastRow != 0) shownAt.emplace(lastRow, passSwap);
}

void frameStatsPassDone(int row) {
    const double now = monotonicSeconds();
    frames.emplace_back(row, now - lastPassEnd);
    chosenAt.emplace(row, passSwap);
    lastPassEnd = now;
    lastRow = row;
}

void frameStatsFinish() {
    if (!recording) return;
    recording = false;
    const double wall = monotonicSeconds() - loopStart;
    const double cpu = cpuSeconds() - cpuStart;
    std::FILE* file = std::fopen(outputPath.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "frame statistics: cannot write %s: %s\n", outputPath.c_str(), std::strerror(errno));
        return;
    }
    std::fprintf(file, "# row frames median_ms p99_ms chosen_at shown_at (CLOCK_MONOTONIC s)\n");
    const auto stamp = [](const std::map<int, double>& stamps, int row) {
        const auto found = stamps.find(row);
        return found == stamps.end() ? 0.0 : found->second;
    };
    for (const FrameRowStats& stats : summariseFrames(frames))
        std::fprintf(file, "row %d %zu %.3f %.3f %.6f %.6f\n", stats.row, stats.frames, stats.medianMs, stats.p99Ms,
                     stamp(chosenAt, stats.row), stamp(shownAt, stats.row));
    std::fprintf(file, "cpu_seconds %.6f\nwall_seconds %.6f\n", cpu, wall);
    if (std::fclose(file) != 0)
        std::fprintf(stderr, "frame statistics: cannot write %s: %s\n", outputPath.c_str(), std::strerror(errno));
}
