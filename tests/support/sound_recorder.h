// SPDX-License-Identifier: MIT
// Records the sound layer's cues for tests: which one went off, the frame
// the layer placed it on and the thread its handler ran on.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound.h"

struct RecordedEvent {
    int cue;
    uint64_t frame;
    std::thread::id thread;
};

class EventRecorder {
public:
    // A handler that records its calls under `cue`; the recorder must outlive
    // the sound layer's use of it.
    SoundHandler handler(int cue);

    std::vector<RecordedEvent> events() const;
    std::vector<RecordedEvent> eventsOf(int cue) const;

private:
    mutable std::mutex guard;  // the device's event thread records while the test reads
    std::vector<RecordedEvent> recorded;
};
