// SPDX-License-Identifier: MIT
// One loaded module and everything that happens while it renders: the
// decoder, the one-time events found in its playback, and the output level.
// The sound layer owns the player; whichever thread renders it (the audio
// thread while a device plays it, the caller's thread offline) is the only
// one that touches its decoder from playback start on. Other threads
// read its rendered-frame count, heard-time origin and level blocks, which
// are atomics.
#pragma once

#include "platform/note_triggers.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace openmpt {
class module;
}

// The one sample rate of the sound layer: modules are rendered, played and
// written at it.
constexpr int soundSampleRate = 44100;

using SoundHandler = std::function<void()>;

// A place in the music that goes off once: a row of an order, or the first
// note of an instrument (1 is the first instrument).
struct MusicCue {
    enum class Kind { position, instrument };
    Kind kind = Kind::position;
    int order = 0;
    int row = 0;
    int instrument = 0;
    SoundHandler handler;
};

// A cue found while rendering, with the first frame of the audio it marks
// (counted from playback start).
struct SoundEvent {
    size_t cueIndex;
    uint64_t frame;
};

class ModulePlayer;

class SoundEventSink {
public:
    virtual void deliver(const ModulePlayer& player, const SoundEvent& event) = 0;

protected:
    ~SoundEventSink() = default;
};

class ModulePlayer {
public:
    // The level is kept per block of this many frames and reported as the
    // peak over the last levelWindowFrames (about 23 ms, one device buffer).
    static constexpr uint64_t blockFrames = 64;
    static constexpr uint64_t levelWindowFrames = 1024;
    // Longest run of frames rendered between two looks at the position; the
    // shortest row a module can have is 432 frames, so no row is missed.
    static constexpr size_t maxStepFrames = 64;

    // Null when the decoder does not take the bytes as a module, or the
    // module has no song to play.
    static std::unique_ptr<ModulePlayer> load(const std::vector<uint8_t>& bytes);
    ~ModulePlayer();
    ModulePlayer(const ModulePlayer&) = delete;
    ModulePlayer& operator=(const ModulePlayer&) = delete;

    // One pass through the song, as the decoder measured it at load.
    double lengthSeconds() const { return songSeconds; }

    // Before playback only.
    void addCue(MusicCue cue);
    const MusicCue& cue(size_t index) const { return cues[index]; }

    // Renders `frames` stereo frames (interleaved floats) in steps of at most
    // `stepFrames` (1..maxStepFrames) and hands each event to the sink once
    // the frame it marks has been rendered. A row found after a step is taken
    // to begin at the step's first frame, so a step of 1 places every event on
    // its exact frame. Returns frames, padding with silence should the decoder
    // stop.
    size_t render(float* interleaved, size_t frames, size_t stepFrames, SoundEventSink& sink);

    uint64_t renderedFrames() const { return rendered.load(std::memory_order_acquire); }

    // Left level in the low, right in the high 16 bits, each 0..128: the peak
    // of the rendered frames in the window that ends at `position` (clamped
    // to what has been rendered). Any thread.
    uint32_t levelBefore(uint64_t position) const;

    // The steady-clock time (ns) at which frame 0 is heard, kept up to date by
    // the audio thread while a device plays the module.
    void setHeardOrigin(int64_t nanoseconds) { heardOrigin.store(nanoseconds, std::memory_order_release); }
    int64_t heardOriginNs() const { return heardOrigin.load(std::memory_order_acquire); }

    // Frames per tick at the current tempo.
    int tickFrames() const;

private:
    explicit ModulePlayer(std::unique_ptr<openmpt::module> decoder);
    void startRow(int order, int row, uint64_t frame, SoundEventSink& sink);
    void emit(size_t cueIndex, uint64_t frame, SoundEventSink& sink);
    void deliverDue(SoundEventSink& sink);
    // Hands the event on, unless its cue has already gone off.
    void deliverOnce(const SoundEvent& event, SoundEventSink& sink);
    void measureLevel(const float* interleaved, size_t frames, uint64_t firstFrame);

    std::unique_ptr<openmpt::module> decoder;
    double songSeconds = 0.0;
    NoteTriggerTable triggers;
    std::vector<MusicCue> cues;
    std::vector<uint8_t> fired;           // per cue, those that went off
    std::vector<uint8_t> lastInstrument;  // per channel

    int lastOrder = -1;
    int lastRow = -1;

    // Delayed note starts waiting for their frame; fixed storage so that the
    // audio thread never allocates.
    static constexpr size_t maxWaiting = 256;
    SoundEvent waiting[maxWaiting];
    size_t waitingCount = 0;

    std::atomic<uint64_t> rendered{0};
    std::atomic<int64_t> heardOrigin{0};

    static constexpr size_t ringBlocks = 4096;  // about 6 seconds of levels
    std::unique_ptr<std::atomic<uint32_t>[]> levelRing;
    uint32_t blockLevel = 0;  // running peak of the block being rendered
};

// Left and right levels packed as the level query returns them.
uint32_t packSoundLevel(uint32_t left, uint32_t right);
// 0..128 for a sample peak, full scale (1.0 or more) giving 128.
uint32_t scaleSoundPeak(float peak);
