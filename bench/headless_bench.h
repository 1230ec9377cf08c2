// SPDX-License-Identifier: MIT
// What the GL benchmarks share: the headless context they draw on, and the
// frame loop. One iteration of a frame benchmark is one frame, finished with
// glFinish so that the rasteriser's work is counted, not just queued. The
// benchmark library reports the mean; a frame rate is lost to the slow
// frames, so the frames' median, 99th percentile and worst (milliseconds)
// and the median's frame rate are counters beside it.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

// Creates the headless context and names its renderer in the report's
// header; false, having said why, without one.
bool openBenchContext(int width, int height);

// Times drawFrame (and its glFinish) each iteration; afterFrame, when given,
// runs untimed between frames. Register with UseManualTime().
void timeFrames(benchmark::State& state, const std::function<void()>& drawFrame,
                const std::function<void()>& afterFrame = {});

// Registers a frame benchmark: frame time in milliseconds, the CPU time of
// the whole process (the rasteriser works on threads of its own) and a
// short warm-up (the first frames compile the pipeline).
benchmark::internal::Benchmark* registerFrames(const std::string& name,
                                               const std::function<void(benchmark::State&)>& run);
