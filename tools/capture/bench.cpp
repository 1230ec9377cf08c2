// SPDX-License-Identifier: MIT
#include "bench.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "app/frame_stats.h"
#include "app/headless_run.h"
#include "app/timeline.h"

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The programme's own one-time operations, each timed where the timeline
// calls it: the wrappers below stand in for them in the operation table and
// charge the time (GL work finished) to the row being entered.
ProgrammeOps realOps;
std::map<int, double> oneTimeSeconds;

template <auto Field>
auto timedOnce() {
    const auto start = Clock::now();
    const auto result = (realOps.*Field)();
    glFinish();
    oneTimeSeconds[currentTimelineRow()] += since(start);
    return result;
}

template <auto Field>
void timedOnceVoid() {
    const auto start = Clock::now();
    (realOps.*Field)();
    glFinish();
    oneTimeSeconds[currentTimelineRow()] += since(start);
}

ProgrammeOps timedOperations(const ProgrammeOps& ops) {
    realOps = ops;
    ProgrammeOps timed = ops;
    if (ops.beginSlideMode) timed.beginSlideMode = timedOnceVoid<&ProgrammeOps::beginSlideMode>;
    if (ops.setupFlowerScene) timed.setupFlowerScene = timedOnce<&ProgrammeOps::setupFlowerScene>;
    if (ops.setupCubePyramidScene) timed.setupCubePyramidScene = timedOnce<&ProgrammeOps::setupCubePyramidScene>;
    if (ops.setupScrollerScene) timed.setupScrollerScene = timedOnce<&ProgrammeOps::setupScrollerScene>;
    if (ops.deleteOutlineFont) timed.deleteOutlineFont = timedOnceVoid<&ProgrammeOps::deleteOutlineFont>;
    if (ops.setupTunnelScene) timed.setupTunnelScene = timedOnce<&ProgrammeOps::setupTunnelScene>;
    if (ops.setupMorphScene) timed.setupMorphScene = timedOnce<&ProgrammeOps::setupMorphScene>;
    if (ops.releaseMorphModels) timed.releaseMorphModels = timedOnceVoid<&ProgrammeOps::releaseMorphModels>;
    return timed;
}
}  // namespace

int runBench(const CaptureOptions& options) {
    HeadlessRunOptions run;
    run.width = options.width;
    run.height = options.height;
    run.fps = options.fps;
    std::map<int, std::vector<double>> frameTimes;
    oneTimeSeconds.clear();
    const ProgrammeOps saved = currentProgrammeOps();
    setProgrammeOps(timedOperations(saved));
    auto last = Clock::now();
    HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
        glFinish();  // count the rendering, not just its submission
        const auto now = Clock::now();
        if (frame.index > 0) frameTimes[frame.row].push_back(std::chrono::duration<double>(now - last).count());
        last = now;
        return true;
    });
    setProgrammeOps(saved);
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
