// SPDX-License-Identifier: MIT
// Opt-in frame statistics of the real window path. With GLIMMER_FRAME_STATS
// naming a file, the frame loop notes how long each frame took and when each
// row of the timeline first reached the screen, and the file receives, at the
// end of the run, per row: frames, median and 99th-percentile frame time, the
// moment (CLOCK_MONOTONIC seconds) the timeline first chose it and the moment
// its first frame was presented; then the process's CPU seconds over the wall
// seconds of the loop. Unset, nothing is
// measured and nothing written.
#pragma once

#include <string>
#include <vector>

// Reads the variable and starts the wall and CPU clocks. True when recording.
bool frameStatsBegin();
bool frameStatsOn();
// The frame loop: right after a buffer swap, and at the end of each pass with
// the row that pass drew.
void frameStatsSwapped();
void frameStatsPassDone(int row);
// Writes the file and stops recording; a file that cannot be written is said
// on stderr, the run goes on as before.
void frameStatsFinish();

// One row's figures, as written to the file.
struct FrameRowStats {
    int row;
    size_t frames;
    double medianMs, p99Ms;
};
// Figures per row from per-frame samples (row, seconds), rows ascending.
// Percentiles are nearest-rank: the value at rank ceil(p x n).
std::vector<FrameRowStats> summariseFrames(const std::vector<std::pair<int, double>>& frames);
double nearestRankPercentile(std::vector<double> values, double p);

// Monotonic seconds (CLOCK_MONOTONIC), the clock the stamps are in.
double monotonicSeconds();
