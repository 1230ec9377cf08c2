// SPDX-License-Identifier: MIT
// Figures for the soundtrack: how much of a core the audio thread takes
// while the music plays on a device (SDL's dummy driver, which paces the
// callbacks like real hardware), how many times faster than real time the
// offline render runs, and how far the device path places an event from the
// exact start of its row, each at the detection steps the sound layer uses.
//
//   bench/music_bench [benchmark options]
#include "mod_writer.h"
#include "platform/sound.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// A busy 4-channel module: a note on every channel on every row, with
// vibrato, volume slides and portamento, eight orders long.
ModModule busyModule() {
    ModModule module;
    module.title = "bench";
    std::mt19937 random(7);
    for (int s = 0; s < 9; ++s) {
        ModSample& sample = module.samples[s];
        sample.name = "s" + std::to_string(s + 1);
        sample.data.resize(8192);
        for (size_t i = 0; i < sample.data.size(); ++i)
            sample.data[i] = static_cast<int8_t>(((i * (s + 3)) % 256) - 128 + static_cast<int>(random() % 16));
        sample.loopStart = 1024;
        sample.loopLength = 7168;
    }
    module.patterns.resize(8);
    for (int p = 0; p < 8; ++p) {
        module.orders.push_back(static_cast<uint8_t>(p));
        for (int row = 0; row < 64; ++row) {
            for (int channel = 0; channel < 4; ++channel) {
                ModCell& cell = module.patterns[p].cells[row][channel];
                cell.period = modPeriod(1 + (row + channel) % 3, (row * 5 + channel * 7) % 12);
                cell.instrument = static_cast<uint8_t>(1 + (row + p + channel) % 9);
                const uint8_t effects[] = {0x4, 0xA, 0x0, 0x1, 0x6};
                cell.effect = effects[(row + channel) % 5];
                cell.parameter = cell.effect == 0x0 ? 0x37 : 0x42;
            }
        }
    }
    module.patterns[0].cells[0][3].effect = 0xF;
    module.patterns[0].cells[0][3].parameter = 125;
    return module;
}

// Nanoseconds the thread named `name` has run, from the scheduler's count.
long long threadRunNs(const std::string& name) {
    long long total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return -1;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        std::string base = std::string("/proc/self/task/") + entry->d_name;
        std::string comm;
        std::getline(std::ifstream(base + "/comm"), comm);
        if (comm.find(name) == std::string::npos) continue;
        long long runNs = 0;
        std::ifstream(base + "/schedstat") >> runNs;
        total += runNs;
    }
    closedir(tasks);
    return total;
}

// One iteration: the music on the device for as many seconds as the second
// argument says, after a moment to settle, with detection steps of the
// first; the audio thread's share of one core over it.
void deviceCpuShare(benchmark::State& state, const std::string& path) {
    setSoundDetectionSteps(size_t(state.range(0)), 1);
    if (!soundOpenDevice()) {
        state.SkipWithError(("cannot open the device: " + soundLastError()).c_str());
        return;
    }
    soundLoadMusic(path);
    soundOnInstrument(9, [] {});  // the note triggers are looked up on every row
    soundPlay();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long long audioBefore = threadRunNs("SDLAudio");
    for (auto _ : state) std::this_thread::sleep_for(std::chrono::seconds(state.range(1)));
    state.counters["audio_thread_percent"] =
        100.0 * double(threadRunNs("SDLAudio") - audioBefore) / 1e9 / double(state.range(1));
    state.SetLabel(std::string("driver ") + SDL_GetCurrentAudioDriver());
    soundClose();
}

// One iteration: one video frame's share of the music (735 sample frames at
// 60 fps), rendered offline with detection steps of the argument; how many
// times real time that is.
void offlineSpeed(benchmark::State& state, const std::string& path) {
    setSoundDetectionSteps(64, size_t(state.range(0)));
    soundOpenOffline();
    soundLoadMusic(path);
    soundOnInstrument(9, [] {});
    soundPlay();
    std::vector<float> buffer(2 * 735);
    for (auto _ : state) soundRenderOffline(buffer.data(), 735);
    // Seconds of music a second: how many times real time.
    state.counters["music_seconds"] =
        benchmark::Counter(double(state.iterations()) * 735 / soundSampleRate, benchmark::Counter::kIsRate);
    soundClose();
}

// Every row start of the first pass (a cue on each of the busy module's
// rows), found with 1-frame steps (exact) and with the given step, offline
// so both see the same samples.
std::vector<uint64_t> rowStarts(const std::string& path, size_t step, uint64_t frames) {
    setSoundDetectionSteps(64, step);
    soundOpenOffline();
    soundLoadMusic(path);
    std::vector<uint64_t> marks;
    for (int order = 0; order < 8; ++order)
        for (int row = 0; row < 64; ++row)
            soundOnPosition(order, row, [&marks] { marks.push_back(soundEventFrame()); });
    soundPlay();
    std::vector<float> buffer(2 * 1024);
    for (uint64_t done = 0; done < frames; done += 1024) soundRenderOffline(buffer.data(), 1024);
    soundClose();
    return marks;
}

// One iteration: the first pass's row starts found with the argument's
// step, against those found with 1-frame steps (exact); how many sample
// frames early the coarse steps place them.
void timingError(benchmark::State& state, const std::string& path) {
    const uint64_t frames = 8 * 64 * 5292;
    const std::vector<uint64_t> exact = rowStarts(path, 1, frames);
    std::vector<uint64_t> coarse;
    for (auto _ : state) coarse = rowStarts(path, size_t(state.range(0)), frames);
    const size_t n = std::min(exact.size(), coarse.size());
    long long worst = 0, sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const long long error = std::llabs(static_cast<long long>(exact[i]) - static_cast<long long>(coarse[i]));
        worst = std::max(worst, error);
        sum += error;
    }
    state.counters["rows"] = double(n);
    state.counters["mean_frames_early"] = n ? double(sum) / double(n) : 0.0;
    state.counters["worst_frames_early"] = double(worst);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    char folder[] = "/tmp/glimmer-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("music_bench: a scratch folder in /tmp");
        return 1;
    }
    const std::string path = std::string(folder) + "/busy.mod";
    if (!writeMod(path, busyModule())) {
        std::fprintf(stderr, "music_bench: cannot write %s\n", path.c_str());
        rmdir(folder);
        return 1;
    }
    char buffer[128];
    std::snprintf(buffer, sizeof buffer,
                  "%d frames, %.1f ms: events are delivered that long after their audio was rendered",
                  soundDeviceBufferFrames, 1000.0 * soundDeviceBufferFrames / soundSampleRate);
    benchmark::AddCustomContext("device buffer", buffer);

    benchmark::RegisterBenchmark("device_cpu_share", deviceCpuShare, path)
        ->ArgNames({"step", "seconds"})
        ->Args({64, 10})
        ->Args({1, 5})
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("offline", offlineSpeed, path)
        ->ArgName("step")
        ->Arg(1)
        ->Arg(64)
        ->UseRealTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("event_timing", timingError, path)
        ->ArgName("step")
        ->Arg(64)
        ->Arg(16)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::remove(path.c_str());
    rmdir(folder);
    return 0;
}
