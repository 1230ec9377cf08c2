// SPDX-License-Identifier: MIT
#include "headless_bench.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/headless_gl.h"

bool openBenchContext(int width, int height) {
    if (!createHeadlessContext(width, height)) {
        std::fprintf(stderr, "no headless GL context: %s\n", headlessGlError().c_str());
        return false;
    }
    benchmark::AddCustomContext("renderer", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    return true;
}

void timeFrames(benchmark::State& state, const std::function<void()>& drawFrame,
                const std::function<void()>& afterFrame) {
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        drawFrame();
        glFinish();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        milliseconds.push_back(took.count() * 1e3);
        if (afterFrame) afterFrame();
    }
    if (milliseconds.empty()) return;
    std::sort(milliseconds.begin(), milliseconds.end());
    auto rank = [&](double share) {
        return milliseconds[std::min(milliseconds.size() - 1, size_t(double(milliseconds.size()) * share))];
    };
    state.counters["median_ms"] = rank(0.5);
    state.counters["p99_ms"] = rank(0.99);
    state.counters["worst_ms"] = milliseconds.back();
    state.counters["fps"] = 1000.0 / rank(0.5);
}

benchmark::internal::Benchmark* registerFrames(const std::string& name,
                                               const std::function<void(benchmark::State&)>& run) {
    return benchmark::RegisterBenchmark(name.c_str(), run)
        ->UseManualTime()
        ->MeasureProcessCPUTime()
        ->MinWarmUpTime(0.2)
        ->Unit(benchmark::kMillisecond);
}
