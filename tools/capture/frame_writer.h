// SPDX-License-Identifier: MIT
// Writes the captured frames on a thread of its own, so that the next frame
// is drawn while this one is encoded or compressed: pictures to the ffmpeg
// pipe or to numbered PNG files, sound to the WAV file, in frame order. A
// picture and its sound are written together; the first failure stops the
// writing and is kept to be told.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media_writers.h"

// One frame in flight: its pixels as GL reads them (BGRA, bottom row first)
// and its sound.
struct CapturedFrame {
    std::vector<uint8_t> pixels;
    std::vector<float> audio;  // interleaved stereo
};

class FrameWriter {
public:
    // Pictures go to `encoder` when it is given, else to
    // pngFolder/frameNNNNN.png; sound to `wav`. Both stay the caller's.
    FrameWriter(WavWriter& wav, FfmpegPipe* encoder, std::string pngFolder, int width, int height);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // The next free frame to fill, waiting while every one is in flight.
    CapturedFrame& nextFree();
    // Hands the frame from nextFree to the writing thread.
    void submit();
    // True once a write has failed; frames submitted after that are dropped.
    bool failed();
    // Writes what is queued and stops the thread. Returns the frames whose
    // picture and sound were both written.
    uint64_t finish();
    // What failed, as a sentence ("" when nothing did).
    std::string failure();

    static std::string pngName(uint64_t frame);

private:
    void writeLoop();
    bool writeOne(const CapturedFrame& frame);

    static constexpr size_t slotCount = 3;
    CapturedFrame slots[slotCount];
    size_t firstQueued = 0, queued = 0;
    bool closing = false;
    std::mutex lock;
    std::condition_variable changed;

    WavWriter& wav;
    FfmpegPipe* encoder;
    std::string pngFolder;
    int width, height;
    uint64_t written = 0;  // writing thread only, until finish
    std::string failureText;
    bool hasFailed = false;
    std::thread thread;
};
