// SPDX-License-Identifier: MIT
#include "sound_recorder.h"

#include "platform/sound.h"

void EventRecorder::handler(uint32_t sync, uint32_t channel, uint32_t data, void* user) {
    auto* recorder = static_cast<EventRecorder*>(user);
    std::lock_guard<std::mutex> lock(recorder->guard);
    recorder->recorded.push_back(RecordedEvent{sync, channel, data, soundEventFrame(), std::this_thread::get_id()});
}

std::vector<RecordedEvent> EventRecorder::events() const {
    std::lock_guard<std::mutex> lock(guard);
    return recorded;
}

std::vector<RecordedEvent> EventRecorder::eventsOf(uint32_t sync) const {
    std::vector<RecordedEvent> matching;
    for (const RecordedEvent& event : events()) {
        if (event.sync == sync) matching.push_back(event);
    }
    return matching;
}
