// SPDX-License-Identifier: MIT
#include "bench.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "app/frame_stats.h"
#include "app/headless_run.h"
#include "app/timeline.h"

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The one-time operations of the rows (set-ups and tear-downs), each timed
// where the timeline calls it, with its GL work finished, and charged to
// the row being entered.
std::map<int, double> oneTimeSeconds;

std::function<void()> timed(const std::function<void()>& step) {
    if (!step) return step;
    return [step] {
        const auto start = Clock::now();
        step();
        glFinish();
        oneTimeSeconds[currentTimelineRow()] += since(start);
    };
}

Programme timedProgramme(Programme programme) {
    for (TimelineRow& row : programme.rows) {
        row.scene.setUp = timed(row.scene.setUp);
        row.scene.tearDown = timed(row.scene.tearDown);
    }
    return programme;
}
}  // namespace

int runBench(const CaptureOptions& options) {
    HeadlessRunOptions run;
    run.width = options.width;
    run.height = options.height;
    run.fps = options.fps;
    std::map<int, std::vector<double>> frameTimes;
    oneTimeSeconds.clear();
    const Programme saved = currentProgramme();
    setProgramme(timedProgramme(saved));
    auto last = Clock::now();
    HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
        glFinish();  // count the rendering, not just its submission
        const auto now = Clock::now();
        if (frame.index > 0) frameTimes[frame.row].push_back(std::chrono::duration<double>(now - last).count());
        last = now;
        return true;
    });
    setProgramme(saved);
    if (!result.started) {
        std::fprintf(stderr, "glimmervandra-capture: %s\n", result.error.c_str());
        return 1;
    }
    std::printf(
        "Headless frame times at %dx%d, %d fps video clock (music rendered offline included);\n"
        "a row's first frame includes its one-time set-up, shown on its own:\n",
        options.width, options.height, options.fps);
    std::printf("  %-3s %-14s %7s %10s %10s %9s %10s\n", "row", "", "frames", "median ms", "p99 ms", "fps",
                "set-up ms");
    for (const auto& [row, times] : frameTimes) {
        const double median = nearestRankPercentile(times, 0.5);
        const auto once = oneTimeSeconds.find(row);
        std::printf("  %-3d %-14s %7zu %10.2f %10.2f %9.0f", row, timelineRowName(row), times.size(), median * 1000,
                    nearestRankPercentile(times, 0.99) * 1000, median > 0 ? 1.0 / median : 0.0);
        if (once != oneTimeSeconds.end())
            std::printf(" %10.2f\n", once->second * 1000);
        else
            std::printf(" %10s\n", "-");
    }
    std::printf("Start-up:\n");
    std::printf("  %-22s %8.2f ms\n", "sound (offline open)", result.startup.soundSeconds * 1000);
    std::printf("  %-22s %8.2f ms\n", "GL context", result.startup.displaySeconds * 1000);
    std::printf("  %-22s %8.2f ms\n", "texture bank (all 12)", result.startup.textureBankSeconds * 1000);
    return 0;
}
