// SPDX-License-Identifier: MIT
#include "platform/sound.h"

#include "platform/data_path.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt_version.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

// A module larger than this is not a module the program ships; refusing it
// keeps a wrong file from eating the memory.
constexpr size_t maxModuleBytes = 256u * 1024u * 1024u;

enum class SoundMode { closed, device, offline };

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t framesToNs(uint64_t frames) {
    return static_cast<int64_t>(frames * 1000000000ull / static_cast<uint64_t>(soundSampleRate));
}

// Events on their way from the audio thread to the event thread: one
// producer, one consumer, fixed storage, no locks.
class EventQueue {
public:
    bool push(const SoundEvent& item) {
        size_t tail = tailIndex.load(std::memory_order_relaxed);
        if (tail - headIndex.load(std::memory_order_acquire) == capacity) return false;
        items[tail % capacity] = item;
        tailIndex.store(tail + 1, std::memory_order_release);
        return true;
    }
    const SoundEvent* front() const {
        size_t head = headIndex.load(std::memory_order_relaxed);
        if (head == tailIndex.load(std::memory_order_acquire)) return nullptr;
        return &items[head % capacity];
    }
    void pop() { headIndex.store(headIndex.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
    void clear() {
        headIndex.store(0);
        tailIndex.store(0);
    }

private:
    static constexpr size_t capacity = 256;
    SoundEvent items[capacity];
    std::atomic<size_t> headIndex{0};
    std::atomic<size_t> tailIndex{0};
};

void closeLayer();

struct SoundLayer {
    // A start-up failure ends the program without soundClose; the device
    // and the event thread must still stop before the music and the rest of
    // the process go away, or the exit would crash.
    ~SoundLayer() { closeLayer(); }

    SoundMode mode = SoundMode::closed;
    SDL_AudioDeviceID device = 0;
    int64_t latencyNs = 0;
    std::unique_ptr<ModulePlayer> music;
    std::atomic<ModulePlayer*> playing{nullptr};
    size_t deviceStep = ModulePlayer::maxStepFrames;
    size_t offlineStep = 1;

    EventQueue events;
    std::atomic<uint32_t> droppedEvents{0};
    SDL_sem* wake = nullptr;
    std::atomic<bool> stopping{false};
    std::thread eventThread;

    std::string lastError;
};

SoundLayer layer;
uint32_t versionOverride = 0;
thread_local uint64_t currentEventFrame = 0;

void callHandler(const ModulePlayer& player, const SoundEvent& event) {
    const MusicCue& cue = player.cue(event.cueIndex);
    currentEventFrame = event.frame;
    if (cue.handler) cue.handler();
}

// Device mode: the audio thread queues the event and wakes the event thread,
// which waits until the event's audio is heard. Neither step blocks.
class QueueSink final : public SoundEventSink {
public:
    void deliver(const ModulePlayer&, const SoundEvent& event) override {
        if (!layer.events.push(event)) {
            layer.droppedEvents.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        queued = true;
    }
    bool queued = false;
};

// Offline: the caller's render call is the clock, the event is due now.
class DirectSink final : public SoundEventSink {
public:
    void deliver(const ModulePlayer& player, const SoundEvent& event) override { callHandler(player, event); }
};

void audioCallback(void*, Uint8* stream, int length) {
    float* out = reinterpret_cast<float*>(stream);
    size_t frames = static_cast<size_t>(length) / (2 * sizeof(float));
    ModulePlayer* player = layer.playing.load(std::memory_order_acquire);
    if (!player) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    // SDL asks for the next buffer while the previous one plays: what is
    // written now is heard one device buffer from now.
    player->setHeardOrigin(nowNs() + layer.latencyNs - framesToNs(player->renderedFrames()));
    QueueSink sink;
    player->render(out, frames, layer.deviceStep, sink);
    if (sink.queued) SDL_SemPost(layer.wake);
}

// The layer's own thread for handlers: takes events in order and calls each
// when the audio it marks reaches the listener.
void runEventThread() {
    while (!layer.stopping.load(std::memory_order_acquire)) {
        const SoundEvent* next = layer.events.front();
        if (!next) {
            SDL_SemWaitTimeout(layer.wake, 50);
            continue;
        }
        // Only the loaded music plays, and it stays until this thread has
        // stopped.
        const ModulePlayer& player = *layer.music;
        int64_t due = player.heardOriginNs() + framesToNs(next->frame);
        int64_t wait = due - nowNs();
        if (wait > 2000000) {
            SDL_SemWaitTimeout(layer.wake, static_cast<Uint32>(wait / 1000000 - 1));
            continue;  // the origin may have moved; look again
        }
        if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        SoundEvent event = *next;
        layer.events.pop();
        callHandler(player, event);
    }
}

bool nullDriverNobodyAskedFor(const char* driver) {
    if (!driver) return true;
    std::string name = driver;
    if (name != "dummy" && name != "disk") return false;
    const char* asked = SDL_GetHint(SDL_HINT_AUDIODRIVER);
    return !asked || std::string(asked).find(name) == std::string::npos;
}

bool addCue(MusicCue cue) {
    if (!layer.music || layer.playing.load()) return false;
    layer.music->addCue(std::move(cue));
    return true;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* file = openDataFile(path);
    if (!file) return false;
    bool ok = true;
    uint8_t chunk[65536];
    for (;;) {
        size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > maxModuleBytes) {
            ok = false;
            break;
        }
        if (got < sizeof chunk) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    return ok;
}

}  // namespace

uint32_t soundBuiltVersion() { return OPENMPT_API_VERSION; }

uint32_t soundRunningVersion() { return versionOverride ? versionOverride : openmpt::get_library_version(); }

bool soundVersionMatches() { return (soundRunningVersion() >> 16) == (soundBuiltVersion() >> 16); }

void setSoundRunningVersionForTesting(uint32_t version) { versionOverride = version; }

bool soundOpenDevice() {
    if (layer.mode != SoundMode::closed) {
        layer.lastError = "the sound layer is already open";
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        layer.lastError = SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (nullDriverNobodyAskedFor(driver)) {
        layer.lastError = std::string("no real audio driver (got ") + (driver ? driver : "none") + ")";
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = soundSampleRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = soundDeviceBufferFrames;
    wanted.callback = audioCallback;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware takes.
    layer.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (layer.device == 0) {
        layer.lastError = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    layer.latencyNs = framesToNs(obtained.samples);
    layer.wake = SDL_CreateSemaphore(0);
    layer.events.clear();
    layer.droppedEvents = 0;
    layer.stopping = false;
    layer.eventThread = std::thread(runEventThread);
    layer.mode = SoundMode::device;
    layer.lastError.clear();
    SDL_PauseAudioDevice(layer.device, 0);  // silence until the music plays
    return true;
}

bool soundOpenOffline() {
    if (layer.mode != SoundMode::closed) return false;
    layer.mode = SoundMode::offline;
    return true;
}

std::string soundLastError() { return layer.lastError; }

bool soundLoadMusic(const std::string& path) {
    if (layer.mode == SoundMode::closed || layer.music) return false;
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return false;
    layer.music = ModulePlayer::load(bytes);
    return layer.music != nullptr;
}

bool soundOnPosition(int order, int row, SoundHandler handler) {
    if (order < 0 || row < 0) return false;
    MusicCue cue;
    cue.kind = MusicCue::Kind::position;
    cue.order = order;
    cue.row = row;
    cue.handler = std::move(handler);
    return addCue(std::move(cue));
}

bool soundOnInstrument(int instrument, SoundHandler handler) {
    // Cells name instruments 1..255.
    if (instrument < 1 || instrument > 255) return false;
    MusicCue cue;
    cue.kind = MusicCue::Kind::instrument;
    cue.instrument = instrument;
    cue.handler = std::move(handler);
    return addCue(std::move(cue));
}

bool soundPlay() {
    if (!layer.music || layer.mode == SoundMode::closed) return false;
    layer.playing.store(layer.music.get(), std::memory_order_release);
    return true;
}

double soundMusicSeconds() { return layer.music ? layer.music->lengthSeconds() : 0.0; }

uint64_t soundPosition() {
    const ModulePlayer* player = layer.music.get();
    if (!player) return 0;
    if (layer.mode != SoundMode::device) return player->renderedFrames();
    int64_t origin = player->heardOriginNs();
    if (origin == 0) return 0;
    int64_t heard = nowNs() - origin;
    if (heard <= 0) return 0;
    uint64_t frames = static_cast<uint64_t>(heard) * soundSampleRate / 1000000000ull;
    return std::min(frames, player->renderedFrames());
}

uint32_t soundLevel() {
    const ModulePlayer* player = layer.music.get();
    if (!player) return 0xFFFFFFFFu;
    if (player != layer.playing.load(std::memory_order_acquire)) return 0;
    return player->levelBefore(soundPosition());
}

uint64_t soundEventFrame() { return currentEventFrame; }

size_t soundRenderOffline(float* interleavedStereo, size_t frames) {
    ModulePlayer* player = layer.playing.load(std::memory_order_acquire);
    if (layer.mode != SoundMode::offline || !player) {
        std::fill(interleavedStereo, interleavedStereo + 2 * frames, 0.0f);
        return 0;
    }
    DirectSink sink;
    return player->render(interleavedStereo, frames, layer.offlineStep, sink);
}

void setSoundDetectionSteps(size_t deviceStep, size_t offlineStep) {
    layer.deviceStep = std::clamp<size_t>(deviceStep, 1, ModulePlayer::maxStepFrames);
    layer.offlineStep = std::clamp<size_t>(offlineStep, 1, ModulePlayer::maxStepFrames);
}

void soundClose() { closeLayer(); }

namespace {

void closeLayer() {
    if (layer.mode == SoundMode::device) {
        // The device first: once it is closed no callback runs, so nothing
        // renders the music and nothing new reaches the event thread.
        SDL_CloseAudioDevice(layer.device);
        layer.device = 0;
        layer.stopping.store(true, std::memory_order_release);
        SDL_SemPost(layer.wake);
        if (layer.eventThread.joinable()) layer.eventThread.join();
        SDL_DestroySemaphore(layer.wake);
        layer.wake = nullptr;
        layer.events.clear();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    layer.playing.store(nullptr);
    layer.music.reset();
    layer.mode = SoundMode::closed;
}

}  // namespace
