// SPDX-License-Identifier: MIT
// Records the sound layer's events for tests: which sync, its data, the
// frame the layer placed it on and the thread it ran on.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

struct RecordedEvent {
    uint32_t sync;
    uint32_t channel;
    uint32_t data;
    uint64_t frame;
    std::thread::id thread;
};

class EventRecorder {
public:
    // A sync handler; `user` must point at an EventRecorder.
    static void handler(uint32_t sync, uint32_t channel, uint32_t data, void* user);

    std::vector<RecordedEvent> events() const;
    std::vector<RecordedEvent> eventsOf(uint32_t sync) const;

private:
    mutable std::mutex guard;  // the device's event thread records while the test reads
    std::vector<RecordedEvent> recorded;
};
