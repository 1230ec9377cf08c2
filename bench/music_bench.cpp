// SPDX-License-Identifier: MIT
// Figures for the soundtrack: how much of a core the audio thread takes
// while the music plays on a device (SDL's dummy driver, which paces the
// callbacks like real hardware), how many times faster than real time the
// offline render runs, and how far the device path places an event from the
// exact start of its row.
#include "mod_writer.h"
#include "platform/sound.h"

#include <SDL.h>

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

void deviceCpuShare(const std::string& path, size_t step, double seconds) {
    setSoundDetectionSteps(step, 1);
    if (!soundOpenDevice()) {
        std::printf("device: cannot open (%s)\n", soundLastError().c_str());
        return;
    }
    soundLoadMusic(path);
    soundOnInstrument(9, [] {});  // the note triggers are looked up on every row
    soundPlay();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    long long audioBefore = threadRunNs("SDLAudio");
    auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    long long audioAfter = threadRunNs("SDLAudio");
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    std::printf("device, %2zu-frame steps: audio thread %.3f%% of one core over %.1f s (driver %s)\n", step,
                100.0 * (audioAfter - audioBefore) / 1e9 / wall, wall, SDL_GetCurrentAudioDriver());
    soundClose();
}

void offlineSpeed(const std::string& path, size_t step, double seconds) {
    setSoundDetectionSteps(64, step);
    soundOpenOffline();
    soundLoadMusic(path);
    soundOnInstrument(9, [] {});
    soundPlay();
    std::vector<float> buffer(2 * 735);
    size_t frames = static_cast<size_t>(seconds * soundSampleRate);
    auto start = std::chrono::steady_clock::now();
    for (size_t done = 0; done < frames; done += 735) soundRenderOffline(buffer.data(), 735);
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("offline, %2zu-frame steps: %.0f times real time (%.1f s of music in %.3f s)\n", step, seconds / took,
                seconds, took);
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

void timingError(const std::string& path) {
    const uint64_t frames = 8 * 64 * 5292;
    std::vector<uint64_t> exact = rowStarts(path, 1, frames);
    for (size_t step : {64, 16}) {
        std::vector<uint64_t> coarse = rowStarts(path, step, frames);
        size_t n = std::min(exact.size(), coarse.size());
        long long worst = 0, sum = 0;
        for (size_t i = 0; i < n; ++i) {
            long long error = static_cast<long long>(exact[i]) - static_cast<long long>(coarse[i]);
            worst = std::max(worst, std::llabs(error));
            sum += std::llabs(error);
        }
        std::printf(
            "event timing, %2zu-frame steps: %zu rows, mean %.1f, worst %lld frames early "
            "(exact steps: 0)\n",
            step, n, n ? static_cast<double>(sum) / n : 0.0, worst);
    }
    std::printf(
        "heard-time compensation: events are delivered one device buffer (%d frames, %.1f ms) "
        "after their audio was rendered\n",
        soundDeviceBufferFrames, 1000.0 * soundDeviceBufferFrames / soundSampleRate);
}

}  // namespace

int main() {
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    char folder[] = "/tmp/glimmer-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    std::string path = std::string(folder) + "/busy.mod";
    if (!writeMod(path, busyModule())) return 1;

    deviceCpuShare(path, 64, 10.0);
    deviceCpuShare(path, 1, 5.0);
    offlineSpeed(path, 1, 60.0);
    offlineSpeed(path, 64, 60.0);
    timingError(path);

    std::remove(path.c_str());
    rmdir(folder);
    return 0;
}
