// The whole programme without a window or a sound device: the demo's own
// start-up, frame loop, timeline, scenes and meter on a headless GL context,
// with two replacements: the frame clock advances by exactly 1/fps per frame,
// and the music is rendered offline in lock-step with the frames, its events
// firing at their exact sample. The same options give the same frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct HeadlessRunOptions {
    int width = 640;
    int height = 480;
    int fps = 60;
    // Stop after the frame that starts at or after this many seconds
    // (programme time from the first frame); 0 runs until the programme ends.
    double stopAfterSeconds = 0.0;
};

struct HeadlessFrame {
    uint64_t index;          // 0 for the first frame
    double startSeconds;     // index / fps
    int row;                 // timeline row drawn (13 = past the end)
    const float* audio;      // this frame's audio, interleaved stereo floats
    size_t audioFrames;      // sample frames in it: frame n starts at sample n*44100/fps
};

// Start-up durations, in seconds, for the benchmark table.
struct HeadlessStartup {
    double sound;
    double context;
    double textureBank;
};

struct HeadlessRunResult {
    bool started = false;     // false: start-up failed, see error
    std::string error;
    uint64_t frames = 0;
    int exitCode = 0;         // the quit message's code when the programme ended
    bool programmeEnded = false;
    HeadlessStartup startup{};
};

// Called after each frame is drawn (context current, picture complete).
// Returning false stops the run after this frame.
using HeadlessFrameHandler = std::function<bool(const HeadlessFrame&)>;

HeadlessRunResult runHeadlessProgramme(const HeadlessRunOptions& options, const HeadlessFrameHandler& onFrame);

// Sample frame at which video frame `index` starts.
uint64_t audioFrameAtVideoFrame(uint64_t index, int fps);
