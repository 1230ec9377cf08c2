// SPDX-License-Identifier: MIT
#include "sound_recorder.h"

SoundHandler EventRecorder::handler(int cue) {
    return [this, cue] {
        std::lock_guard<std::mutex> lock(guard);
        recorded.push_back(RecordedEvent{cue, soundEventFrame(), std::this_thread::get_id()});
    };
}

std::vector<RecordedEvent> EventRecorder::events() const {
    std::lock_guard<std::mutex> lock(guard);
    return recorded;
}

std::vector<RecordedEvent> EventRecorder::eventsOf(int cue) const {
    std::vector<RecordedEvent> matching;
    for (const RecordedEvent& event : events()) {
        if (event.cue == cue) matching.push_back(event);
    }
    return matching;
}
