// SPDX-License-Identifier: MIT
#include "app/headless_run.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "app/demo.h"
#include "app/frame_loop.h"
#include "app/music.h"
#include "app/startup.h"
#include "app/timeline.h"
#include "app/window_handling.h"
#include "assets/data_files.h"
#include "assets/texture_bank.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "platform/sound.h"
#include "platform/window_events.h"
#include "state/clock.h"
#include "state/run_state.h"

namespace {
uint64_t clockFrameIndex = 0;
int clockFps = 60;

// The video clock: frame n starts exactly n/fps seconds after the first.
double videoClockSeconds() { return double(clockFrameIndex) / double(clockFps); }

// The demo's own steps with two replacements: the music rendered offline
// and a headless context for the window.
ProgrammeSteps headlessSteps() {
    ProgrammeSteps steps = demoSteps();
    steps.openMusic = openMusicOffline;
    steps.openWindow = [](const char*, int width, int height, int, uint8_t) {
        return createHeadlessContext(width, height);
    };
    steps.runFrameLoop = nullptr;  // the run drives its own passes
    steps.closeWindow = destroyHeadlessContext;
    return steps;
}

// Whether the programme's end is a fixed time on this row: true once the
// rows whose bounds wait for the music's marks (the title and slide 6) are
// behind.
bool endFixedFrom(int row) {
    for (int later = std::max(row, 1); later <= timelineRowCount(); ++later)
        if (timelineRow(later).bound.from != RowBoundFrom::offset) return false;
    return true;
}

bool rowKeepsPicture(int row) { return row >= 1 && row <= timelineRowCount() && timelineRow(row).scene.keepsPicture; }

// Of the run-up frames, those a later picture can still show must be drawn:
// when the first wanted frame's row keeps the picture, every frame from the
// start of the row before it on. The first wanted frame's row is taken from
// its start and from the frame before, in case the accumulated `elapsed`
// and the frame's start fall on two sides of a bound. The rows before the
// music's marks are slides, so their placeholder bounds never need this.
int firstRowToDraw(double drawFromSeconds, int fps) {
    const TimelineValues values = loadTimelineValues();
    const int last = chooseTimelineRow(drawFromSeconds, values);
    const int first = chooseTimelineRow(std::max(0.0, drawFromSeconds - 1.0 / fps), values);
    for (int row = first; row <= last; ++row)
        if (rowKeepsPicture(row)) return row - 1;
    return timelineEndRow() + 1;  // no run-up frame needs its pixels
}

// Leaves a frame's pixels out: every drawing call still runs and changes the
// GL state as usual, but no fragment passes the empty scissor box, clears
// included. The scissor test and box are put back to GL's defaults, which no
// scene changes, so the state after the frame is the state of a drawn one.
void beginUndrawnFrame() {
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 0, 0);
}

void endUndrawnFrame(int width, int height) {
    glDisable(GL_SCISSOR_TEST);
    glScissor(0, 0, width, height);
}
}  // namespace

double programmeLengthSeconds() { return timelineRowEnd(timelineRowCount(), TimelineValues{0.0, 0.0}); }

double programmeEndSeconds() { return timelineRowEnd(timelineRowCount(), loadTimelineValues()); }

uint64_t audioFrameAtVideoFrame(uint64_t index, int fps) { return index * uint64_t(soundSampleRate) / uint64_t(fps); }

uint64_t firstFrameAtOrAfter(double seconds, int fps) {
    uint64_t frame = uint64_t(std::max(0.0, seconds * fps - 1.0));
    while (double(frame) / fps + 1e-9 < seconds) ++frame;
    return frame;
}

HeadlessRunResult runHeadlessProgramme(const HeadlessRunOptions& options, const HeadlessFrameHandler& onFrame) {
    HeadlessRunResult result;
    if (options.fps <= 0 || options.width <= 0 || options.height <= 0) {
        result.error = "frame rate and size must be positive";
        return result;
    }
    // A second run in one process (tests, the benchmark) draws what the
    // first did.
    resetRun();

    const ProgrammeSteps steps = headlessSteps();
    const StartupResult startup = startProgramme(steps, options.width, options.height);
    switch (startup.failed) {
        case StartupStep::none: break;
        case StartupStep::soundVersion:
            result.error = "the libopenmpt in use is not the version the program was built for";
            return result;
        case StartupStep::sound:
            result.error = "the sound layer could not be opened for offline rendering";
            return result;
        case StartupStep::terminated: result.error = "ended by a termination signal during start-up"; return result;
        case StartupStep::display:
            steps.closeMusic();
            result.error = "no headless OpenGL context: " + headlessGlError();
            return result;
        case StartupStep::playback:
            steps.closeMusic();
            result.error = std::string("the module \"") + musicModulePath + "\" could not be played (" +
                           describeDataSearch(musicModulePath) + ")";
            return result;
    }
    result.startup = startup;
    result.started = true;
    result.moduleSeconds = soundMusicSeconds();
    result.limitSeconds = result.moduleSeconds + programmeLengthSeconds();

    clockFps = options.fps;
    clockFrameIndex = 0;
    setClockSecondsSource(videoClockSeconds);

    const uint64_t endFrame =
        options.stopAfterSeconds > 0.0 ? firstFrameAtOrAfter(options.stopAfterSeconds, options.fps) : UINT64_MAX;
    std::vector<float> audio;
    WindowEvent lastEvent;
    result.end = HeadlessRunEnd::Caller;  // unless the programme or the limit ends it first
    for (uint64_t index = 0; index < endFrame; ++index) {
        // This frame's share of the music first: events inside it take
        // effect in this frame, and the meter shows the level of its audio.
        const uint64_t audioStart = audioFrameAtVideoFrame(index, options.fps);
        const size_t audioFrames = size_t(audioFrameAtVideoFrame(index + 1, options.fps) - audioStart);
        audio.assign(audioFrames * 2, 0.0f);
        soundRenderOffline(audio.data(), audioFrames);

        clockFrameIndex = index;
        const double startSeconds = videoClockSeconds();
        const bool drawn =
            startSeconds >= options.drawFromSeconds || chooseTimelineRow(elapsed.load(), loadTimelineValues()) >=
                                                           firstRowToDraw(options.drawFromSeconds, options.fps);
        if (!drawn) beginUndrawnFrame();
        const bool quitTaken = frameLoopPass(lastEvent);
        if (!drawn) endUndrawnFrame(options.width, options.height);
        ++result.frames;

        const int row = currentTimelineRow();
        const HeadlessFrame frame{index, startSeconds, row, audio.data(), audioFrames, drawn, endFixedFrom(row)};
        const bool wanted = !onFrame || onFrame(frame);
        if (quitTaken) {
            result.programmeEnded = true;
            result.exitCode = lastEvent.exitCode;
            result.end = HeadlessRunEnd::Programme;
            break;
        }
        if (!wanted) break;
        if (frame.startSeconds + 1.0 / options.fps > result.limitSeconds) {
            result.end = HeadlessRunEnd::Unended;
            break;
        }
    }

    setClockSecondsSource(nullptr);
    stopProgramme(steps);
    resetRun();
    return result;
}
