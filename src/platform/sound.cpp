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
#include <map>
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
struct QueuedEvent {
    const ModulePlayer* player;
    SoundEvent event;
};

class EventQueue {
public:
    bool push(const QueuedEvent& item) {
        size_t tail = tailIndex.load(std::memory_order_relaxed);
        if (tail - headIndex.load(std::memory_order_acquire) == capacity) return false;
        items[tail % capacity] = item;
        tailIndex.store(tail + 1, std::memory_order_release);
        return true;
    }
    const QueuedEvent* front() const {
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
    QueuedEvent items[capacity];
    std::atomic<size_t> headIndex{0};
    std::atomic<size_t> tailIndex{0};
};

void closeLayer();

struct SoundLayer {
    // A start-up failure ends the program without soundFree; the device and
    // the event thread must still stop before the modules and the rest of
    // the process go away, or the exit would crash.
    ~SoundLayer() { closeLayer(); }

    SoundMode mode = SoundMode::closed;
    SDL_AudioDeviceID device = 0;
    int64_t latencyNs = 0;
    std::map<uint32_t, std::unique_ptr<ModulePlayer>> modules;
    std::vector<std::unique_ptr<ModulePlayer>> retired;
    uint32_t nextHandle = 1;
    uint32_t nextSync = 1;
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
    const SoundSync& sync = player.sync(event.syncIndex);
    currentEventFrame = event.frame;
    if (sync.proc) sync.proc(sync.id, player.handle(), event.data, sync.user);
}

// Device mode: the audio thread queues the event and wakes the event thread,
// which waits until the event's audio is heard. Neither step blocks.
class QueueSink final : public SoundEventSink {
public:
    void deliver(const ModulePlayer& player, const SoundEvent& event) override {
        if (!layer.events.push(QueuedEvent{&player, event})) {
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
        const QueuedEvent* next = layer.events.front();
        if (!next) {
            SDL_SemWaitTimeout(layer.wake, 50);
            continue;
        }
        int64_t due = next->player->heardOriginNs() + framesToNs(next->event.frame);
        int64_t wait = due - nowNs();
        if (wait > 2000000) {
            SDL_SemWaitTimeout(layer.wake, static_cast<Uint32>(wait / 1000000 - 1));
            continue;  // the origin may have moved; look again
        }
        if (wait > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        QueuedEvent item = *next;
        layer.events.pop();
        callHandler(*item.player, item.event);
    }
}

bool nullDriverNobodyAskedFor(const char* driver) {
    if (!driver) return true;
    std::string name = driver;
    if (name != "dummy" && name != "disk") return false;
    const char* asked = SDL_GetHint(SDL_HINT_AUDIODRIVER);
    return !asked || std::string(asked).find(name) == std::string::npos;
}

ModulePlayer* findModule(uint32_t handle) {
    auto found = layer.modules.find(handle);
    return found == layer.modules.end() ? nullptr : found->second.get();
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

bool soundInit() {
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
    return true;
}

void soundStart() {
    if (layer.mode == SoundMode::device) SDL_PauseAudioDevice(layer.device, 0);
}

bool soundInitOffline() {
    if (layer.mode != SoundMode::closed) return false;
    layer.mode = SoundMode::offline;
    return true;
}

std::string soundLastError() { return layer.lastError; }

uint32_t soundLoadModule(const std::string& path) {
    if (layer.mode == SoundMode::closed) return 0;
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return 0;
    uint32_t handle = layer.nextHandle;
    std::unique_ptr<ModulePlayer> player = ModulePlayer::load(bytes, handle);
    if (!player) return 0;
    ++layer.nextHandle;
    layer.modules.emplace(handle, std::move(player));
    return handle;
}

uint32_t soundSetSync(uint32_t handle, uint32_t type, uint64_t param, SoundSyncProc proc, void* user) {
    ModulePlayer* player = findModule(handle);
    if (!player || player == layer.playing.load()) return 0;
    uint32_t kind = type & ~SOUND_SYNC_ONETIME;
    if (kind != SOUND_SYNC_MUSICPOS && kind != SOUND_SYNC_MUSICINST) return 0;
    SoundSync sync;
    sync.id = layer.nextSync++;
    sync.type = type;
    sync.param = param;
    sync.proc = proc;
    sync.user = user;
    player->addSync(sync);
    return sync.id;
}

bool soundPlay(uint32_t handle) {
    ModulePlayer* player = findModule(handle);
    if (!player || layer.mode == SoundMode::closed) return false;
    ModulePlayer* current = layer.playing.load();
    if (current == player) return true;
    if (current) return false;
    layer.playing.store(player, std::memory_order_release);
    return true;
}

void soundStop() {
    if (layer.mode == SoundMode::device) SDL_LockAudioDevice(layer.device);
    layer.playing.store(nullptr, std::memory_order_release);
    if (layer.mode == SoundMode::device) SDL_UnlockAudioDevice(layer.device);
}

bool soundFreeModule(uint32_t handle) {
    ModulePlayer* player = findModule(handle);
    if (!player || player == layer.playing.load()) return false;
    auto found = layer.modules.find(handle);
    // With a device, events of this module may still wait for their moment
    // on the event thread, so the module itself stays until soundFree has
    // stopped that thread; only its handle goes now.
    if (layer.mode == SoundMode::device) layer.retired.push_back(std::move(found->second));
    layer.modules.erase(found);
    return true;
}

double soundModuleSeconds(uint32_t handle) {
    const ModulePlayer* player = findModule(handle);
    return player ? player->lengthSeconds() : 0.0;
}

uint64_t soundPosition(uint32_t handle) {
    ModulePlayer* player = findModule(handle);
    if (!player) return 0;
    if (layer.mode != SoundMode::device) return player->renderedFrames();
    int64_t origin = player->heardOriginNs();
    if (origin == 0) return 0;
    int64_t heard = nowNs() - origin;
    if (heard <= 0) return 0;
    uint64_t frames = static_cast<uint64_t>(heard) * soundSampleRate / 1000000000ull;
    return std::min(frames, player->renderedFrames());
}

uint32_t soundLevel(uint32_t handle) {
    ModulePlayer* player = findModule(handle);
    if (!player) return 0xFFFFFFFFu;
    if (player != layer.playing.load(std::memory_order_acquire)) return 0;
    return player->levelBefore(soundPosition(handle));
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

size_t soundRenderOffline(int16_t* interleavedStereo, size_t frames) {
    float buffer[2 * 1024];
    size_t done = 0;
    while (done < frames) {
        size_t part = std::min<size_t>(frames - done, 1024);
        size_t got = soundRenderOffline(buffer, part);
        if (got == 0) {
            std::fill(interleavedStereo + 2 * done, interleavedStereo + 2 * frames, int16_t{0});
            return done;
        }
        for (size_t i = 0; i < 2 * part; ++i) {
            float value = std::clamp(buffer[i], -1.0f, 1.0f) * 32767.0f;
            interleavedStereo[2 * done + i] = static_cast<int16_t>(std::lround(value));
        }
        done += part;
    }
    return done;
}

void setSoundDetectionSteps(size_t deviceStep, size_t offlineStep) {
    layer.deviceStep = std::clamp<size_t>(deviceStep, 1, ModulePlayer::maxStepFrames);
    layer.offlineStep = std::clamp<size_t>(offlineStep, 1, ModulePlayer::maxStepFrames);
}

void soundFree() { closeLayer(); }

namespace {

void closeLayer() {
    if (layer.mode == SoundMode::device) {
        // The device first: once it is closed no callback runs, so nothing
        // renders the modules and nothing new reaches the event thread.
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
    layer.modules.clear();
    layer.retired.clear();
    layer.mode = SoundMode::closed;
}

}  // namespace
