// SPDX-License-Identifier: MIT
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

#include "app/startup.h"
#include "state/run_state.h"

struct HeadlessRunOptions {
    int width = screenWidth;
    int height = screenHeight;
    int fps = 60;
    // The end of the run, exclusive: frames that start before this many
    // seconds (programme time from the first frame) are run, the one that
    // starts at it is not, so 40 s to 50 s at 60 fps are 600 frames. 0 runs
    // until the programme ends.
    double stopAfterSeconds = 0.0;
    // The run-up: frames that start before this time are played in full
    // (clock, music, timeline, set-ups, every scene's state and every GL state
    // change) but their pixels are not drawn, unless the picture of the first
    // frame at or after it can still show them. That first frame and all
    // after it are drawn exactly as in a run from the start. 0: all drawn.
    double drawFromSeconds = 0.0;
};

struct HeadlessFrame {
    uint64_t index;       // 0 for the first frame
    double startSeconds;  // index / fps
    int row;              // timeline row drawn (13 = past the end)
    const float* audio;   // this frame's audio, interleaved stereo floats
    size_t audioFrames;   // sample frames in it: frame n starts at sample n*44100/fps
    bool drawn;           // false for a run-up frame whose pixels were left out
    // True once the music has placed the scene programme, so that the
    // programme's end (programmeEndSeconds) is a fixed time.
    bool endKnown;
};

// Why a run that started came to its end.
enum class HeadlessRunEnd {
    Programme,  // the programme posted its quit
    Caller,     // the frame handler or stopAfterSeconds stopped it
    Unended,    // the programme was still running at limitSeconds
};

struct HeadlessRunResult {
    bool started = false;  // false: start-up failed, see error
    std::string error;
    uint64_t frames = 0;
    int exitCode = 0;  // the quit's code when the programme ended
    bool programmeEnded = false;
    HeadlessRunEnd end = HeadlessRunEnd::Programme;
    // A run is never endless: when the music never reaches the marks that
    // place the scene programme, the title stays for ever. The run stops
    // after one pass of the module plus the programme's length.
    double limitSeconds = 0.0;
    double moduleSeconds = 0.0;
    StartupResult startup;  // how long each start-up step took
};

// Called after each frame is drawn (context current, picture complete).
// Returning false stops the run after this frame.
using HeadlessFrameHandler = std::function<bool(const HeadlessFrame&)>;

HeadlessRunResult runHeadlessProgramme(const HeadlessRunOptions& options, const HeadlessFrameHandler& onFrame);

// The programme's length from the first frame when the music places the
// scene programme at once (the bound of the last row with both timeline
// values 0): any time of a run lies between 0 and about this.
double programmeLengthSeconds();

// Where the programme ends, in seconds of `elapsed`, as the timeline sees it
// now. Before the music's second mark this is a placeholder far beyond any
// real end (HeadlessFrame::endKnown tells).
double programmeEndSeconds();

// Sample frame at which video frame `index` starts.
uint64_t audioFrameAtVideoFrame(uint64_t index, int fps);

// The first video frame that starts at or after `seconds`; every frame before
// it starts before then. A billionth of a second of slack, for times like 0.3
// that index / fps misses by a rounding step.
uint64_t firstFrameAtOrAfter(double seconds, int fps);
