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

uint32_t syncKind(uint32_t type) { return type & ~SOUND_SYNC_ONETIME; }

bool wordMatches(uint32_t wanted, int actual) { return wanted == SOUND_SYNC_ANY || static_cast<int>(wanted) == actual; }

}  // namespace

uint32_t packSoundLevel(uint32_t left, uint32_t right) { return (left & 0xFFFF) | (right << 16); }

uint32_t scaleSoundPeak(float peak) {
    if (!(peak > 0.0f)) return 0;  // also NaN
    if (peak >= 1.0f) return 128;
    return static_cast<uint32_t>(std::lround(peak * 128.0f));
}

std::unique_ptr<ModulePlayer> ModulePlayer::load(const std::vector<uint8_t>& bytes, uint32_t handle) {
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
        std::unique_ptr<ModulePlayer> player(new ModulePlayer(std::move(decoder), handle));
        player->songSeconds = seconds;
        return player;
    } catch (const std::exception&) {
        return nullptr;  // openmpt::exception and allocation failures alike: not a playable module
    }
}

ModulePlayer::ModulePlayer(std::unique_ptr<openmpt::module> module, uint32_t handle)
    : decoder(std::move(module)), moduleHandle(handle), levelRing(new std::atomic<uint32_t>[ringBlocks]) {
    for (size_t i = 0; i < ringBlocks; ++i) levelRing[i].store(0, std::memory_order_relaxed);
    triggers.build(*decoder);
    lastInstrument.assign(static_cast<size_t>(std::max(triggers.channels(), 0)), 0);
}

ModulePlayer::~ModulePlayer() = default;

void ModulePlayer::addSync(const SoundSync& sync) {
    syncs.push_back(sync);
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
    uint32_t position = static_cast<uint32_t>(order & 0xFFFF) | (static_cast<uint32_t>(row & 0xFFFF) << 16);
    bool wantsNotes = false;
    for (size_t i = 0; i < syncs.size(); ++i) {
        uint32_t kind = syncKind(syncs[i].type);
        if (kind == SOUND_SYNC_MUSICINST) wantsNotes = true;
        if (kind != SOUND_SYNC_MUSICPOS) continue;
        if (wordMatches(syncs[i].param & 0xFFFF, order) && wordMatches((syncs[i].param >> 16) & 0xFFFF, row))
            emit(i, frame, position, sink);
    }
    if (!wantsNotes) return;

    int speed = std::max(decoder->get_current_speed(), 1);
    uint64_t tick = static_cast<uint64_t>(tickFrames());
    triggers.playRow(decoder->get_current_pattern(), row, speed, lastInstrument.data(), [&](const NoteTrigger& note) {
        // Note numbers as the sync param counts them: 0 is C-0.
        int noteNumber = note.note - 1;
        for (size_t i = 0; i < syncs.size(); ++i) {
            if (syncKind(syncs[i].type) != SOUND_SYNC_MUSICINST) continue;
            if (!wordMatches(syncs[i].param & 0xFFFF, note.instrument)) continue;
            if (!wordMatches((syncs[i].param >> 16) & 0xFFFF, noteNumber)) continue;
            uint32_t data = static_cast<uint32_t>(noteNumber) | (static_cast<uint32_t>(note.channel) << 16);
            emit(i, frame + note.tick * tick, data, sink);
        }
    });
}

void ModulePlayer::emit(size_t syncIndex, uint64_t frame, uint32_t data, SoundEventSink& sink) {
    bool oneTime = (syncs[syncIndex].type & SOUND_SYNC_ONETIME) != 0;
    if (oneTime && fired[syncIndex]) return;
    SoundEvent event{syncIndex, frame, data};
    if (frame < rendered.load(std::memory_order_relaxed) || waitingCount == maxWaiting) {
        deliverOnce(event, sink);
        return;
    }
    // A one-time event waits like any other: notes of one row with
    // different delays are found channel by channel, and the one that
    // sounds first must be the one that fires.
    waiting[waitingCount++] = event;
}

void ModulePlayer::deliverOnce(const SoundEvent& event, SoundEventSink& sink) {
    if (syncs[event.syncIndex].type & SOUND_SYNC_ONETIME) {
        if (fired[event.syncIndex]) return;
        fired[event.syncIndex] = 1;
    }
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
