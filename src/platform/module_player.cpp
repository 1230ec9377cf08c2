// SPDX-License-Identifier: MIT
#include "platform/module_player.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <streambuf>

namespace {

// The decoder writes its warnings to a log stream; the program reports its
// failures in message boxes, so the chatter goes nowhere. Every module keeps
// a reference to the stream, so it is never destroyed: not even while the
// process exits with a module still playing.
class DiscardBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
};

std::ostream& discardLog() {
    static std::ostream* log = new std::ostream(new DiscardBuffer);
    return *log;
}

}  // namespace

uint32_t packSoundLevel(uint32_t left, uint32_t right) { return (left & 0xFFFF) | (right << 16); }

uint32_t scaleSoundPeak(float peak) {
    if (!(peak > 0.0f)) return 0;  // also NaN
    if (peak >= 1.0f) return 128;
    return static_cast<uint32_t>(std::lround(peak * 128.0f));
}

std::unique_ptr<ModulePlayer> ModulePlayer::load(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    std::unique_ptr<openmpt::module> decoder;
    try {
        decoder = std::make_unique<openmpt::module>(bytes, discardLog());
        const double seconds = decoder->get_duration_seconds();
        if (decoder->get_num_orders() <= 0 || !(seconds > 0.0)) return nullptr;
        decoder->set_repeat_count(-1);  // loop for ever
        // -1 is the decoder's recommended ramping, which is on; 0 would switch
        // it off and click on every hard note start.
        decoder->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, -1);
        std::unique_ptr<ModulePlayer> player(new ModulePlayer(std::move(decoder)));
        player->songSeconds = seconds;
        return player;
    } catch (const std::exception&) {
        return nullptr;  // openmpt::exception and allocation failures alike: not a playable module
    }
}

ModulePlayer::ModulePlayer(std::unique_ptr<openmpt::module> module)
    : decoder(std::move(module)), levelRing(new std::atomic<uint32_t>[ringBlocks]) {
    for (size_t i = 0; i < ringBlocks; ++i) levelRing[i].store(0, std::memory_order_relaxed);
    triggers.build(*decoder);
    lastInstrument.assign(static_cast<size_t>(std::max(triggers.channels(), 0)), 0);
}

ModulePlayer::~ModulePlayer() = default;

void ModulePlayer::addCue(MusicCue cue) {
    cues.push_back(std::move(cue));
    fired.push_back(0);
}

int ModulePlayer::tickFrames() const {
    // Classic tracker timing: a tick lasts 2.5 / tempo seconds.
    int tempo = std::max(decoder->get_current_tempo(), 1);
    return static_cast<int>(std::lround(soundSampleRate * 2.5 / tempo));
}

size_t ModulePlayer::render(float* interleaved, size_t frames, size_t stepFrames, SoundEventSink& sink) {
    stepFrames = std::clamp<size_t>(stepFrames, 1, maxStepFrames);
    size_t done = 0;
    while (done < frames) {
        size_t want = std::min(stepFrames, frames - done);
        float* out = interleaved + 2 * done;
        size_t got = 0;
        try {
            got = decoder->read_interleaved_stereo(soundSampleRate, want, out);
        } catch (const std::exception&) {
            got = 0;
        }
        if (got < want) std::memset(out + 2 * got, 0, (want - got) * 2 * sizeof(float));
        uint64_t stepStart = rendered.load(std::memory_order_relaxed);
        measureLevel(out, want, stepStart);
        rendered.store(stepStart + want, std::memory_order_release);
        if (got > 0) {
            int order = decoder->get_current_order();
            int row = decoder->get_current_row();
            if (order != lastOrder || row != lastRow) startRow(order, row, stepStart, sink);
        }
        deliverDue(sink);
        done += want;
    }
    return frames;
}

void ModulePlayer::startRow(int order, int row, uint64_t frame, SoundEventSink& sink) {
    lastOrder = order;
    lastRow = row;
    bool wantsNotes = false;
    for (size_t i = 0; i < cues.size(); ++i) {
        if (cues[i].kind == MusicCue::Kind::instrument)
            wantsNotes = true;
        else if (cues[i].order == order && cues[i].row == row)
            emit(i, frame, sink);
    }
    if (!wantsNotes) return;

    int speed = std::max(decoder->get_current_speed(), 1);
    uint64_t tick = static_cast<uint64_t>(tickFrames());
    triggers.playRow(decoder->get_current_pattern(), row, speed, lastInstrument.data(), [&](const NoteTrigger& note) {
        for (size_t i = 0; i < cues.size(); ++i) {
            if (cues[i].kind == MusicCue::Kind::instrument && cues[i].instrument == note.instrument)
                emit(i, frame + note.tick * tick, sink);
        }
    });
}

void ModulePlayer::emit(size_t cueIndex, uint64_t frame, SoundEventSink& sink) {
    if (fired[cueIndex]) return;
    SoundEvent event{cueIndex, frame};
    if (frame < rendered.load(std::memory_order_relaxed) || waitingCount == maxWaiting) {
        deliverOnce(event, sink);
        return;
    }
    // Notes of one row with different delays are found channel by channel,
    // so each waits for its frame: the one that sounds first must be the
    // one that goes off.
    waiting[waitingCount++] = event;
}

void ModulePlayer::deliverOnce(const SoundEvent& event, SoundEventSink& sink) {
    if (fired[event.cueIndex]) return;
    fired[event.cueIndex] = 1;
    sink.deliver(*this, event);
}

void ModulePlayer::deliverDue(SoundEventSink& sink) {
    if (waitingCount == 0) return;
    uint64_t done = rendered.load(std::memory_order_relaxed);
    // In order of frame, keeping the order of registration among equals.
    for (;;) {
        size_t next = waitingCount;
        for (size_t i = 0; i < waitingCount; ++i) {
            if (waiting[i].frame < done && (next == waitingCount || waiting[i].frame < waiting[next].frame)) next = i;
        }
        if (next == waitingCount) return;
        SoundEvent event = waiting[next];
        std::move(waiting + next + 1, waiting + waitingCount, waiting + next);
        --waitingCount;
        deliverOnce(event, sink);
    }
}

void ModulePlayer::measureLevel(const float* interleaved, size_t frames, uint64_t firstFrame) {
    for (size_t i = 0; i < frames; ++i) {
        uint64_t frame = firstFrame + i;
        if (frame % blockFrames == 0) blockLevel = 0;
        uint32_t left = scaleSoundPeak(std::fabs(interleaved[2 * i]));
        uint32_t right = scaleSoundPeak(std::fabs(interleaved[2 * i + 1]));
        uint32_t oldLeft = blockLevel & 0xFFFF;
        uint32_t oldRight = blockLevel >> 16;
        blockLevel = packSoundLevel(std::max(left, oldLeft), std::max(right, oldRight));
        // Stored after every frame so that the level of a block being
        // rendered is there as soon as its frames are.
        if (i + 1 == frames || (frame + 1) % blockFrames == 0)
            levelRing[(frame / blockFrames) % ringBlocks].store(blockLevel, std::memory_order_relaxed);
    }
}

uint32_t ModulePlayer::levelBefore(uint64_t position) const {
    position = std::min(position, renderedFrames());
    if (position == 0) return 0;
    uint64_t first = position > levelWindowFrames ? position - levelWindowFrames : 0;
    uint32_t left = 0, right = 0;
    for (uint64_t block = first / blockFrames; block <= (position - 1) / blockFrames; ++block) {
        uint32_t level = levelRing[block % ringBlocks].load(std::memory_order_relaxed);
        left = std::max(left, level & 0xFFFF);
        right = std::max(right, level >> 16);
    }
    return packSoundLevel(left, right);
}
