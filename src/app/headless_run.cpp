#include "app/headless_run.h"

#include <chrono>
#include <vector>

#include "app/clock.h"
#include "app/frame_loop.h"
#include "app/music.h"
#include "app/shared_state.h"
#include "app/timeline.h"
#include "assets/data_path.h"
#include "assets/texture_bank.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/morph_scene.h"

namespace {
uint64_t clockFrameIndex = 0;
int clockFps = 60;

// The video clock: frame n starts exactly n/fps seconds after the first.
double videoClockSeconds() { return double(clockFrameIndex) / double(clockFps); }

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void resetRunState() {
    resetSharedState();
    resetClock();
    resetTimeline();
    resetMessages();
}

// Whatever the programme had not released itself when a run stops early:
// the morph scene's release destroys every model that still exists.
void releaseLeftovers() { releaseMorphModels(); }
}  // namespace

uint64_t audioFrameAtVideoFrame(uint64_t index, int fps) {
    return index * uint64_t(soundSampleRate) / uint64_t(fps);
}

HeadlessRunResult runHeadlessProgramme(const HeadlessRunOptions& options, const HeadlessFrameHandler& onFrame) {
    HeadlessRunResult result;
    if (options.fps <= 0 || options.width <= 0 || options.height <= 0) {
        result.error = "frame rate and size must be positive";
        return result;
    }
    resetRunState();

    auto phaseStart = std::chrono::steady_clock::now();
    if (!soundLibraryVersionMatches()) {
        result.error = "the libopenmpt in use is not the version the program was built for";
        return result;
    }
    if (!openMusicOffline()) {
        result.error = "the sound layer could not be opened for offline rendering";
        return result;
    }
    result.startup.sound = secondsSince(phaseStart);

    phaseStart = std::chrono::steady_clock::now();
    if (!createHeadlessContext(options.width, options.height)) {
        result.error = "no headless OpenGL context: " + headlessGlError();
        closeMusic();
        return result;
    }
    resizeViewport(options.width, options.height);
    result.startup.context = secondsSince(phaseStart);

    registerMusicSyncs();
    if (!startMusicPlayback()) {
        result.error = "the module \"Data/ancool2.mod\" could not be played (" +
                       describeDataSearch("Data/ancool2.mod") + ")";
        closeMusic();
        destroyHeadlessContext();
        return result;
    }

    phaseStart = std::chrono::steady_clock::now();
    loadTextureBank("data/grass1.tga");
    result.startup.textureBank = secondsSince(phaseStart);
    result.started = true;

    clockFps = options.fps;
    clockFrameIndex = 0;
    setClockSecondsSource(videoClockSeconds);

    std::vector<float> audio;
    Message message;
    for (uint64_t index = 0;; ++index) {
        // This frame's share of the music first: events inside it take
        // effect in this frame, and the meter shows the level of its audio.
        const uint64_t audioStart = audioFrameAtVideoFrame(index, options.fps);
        const size_t audioFrames = size_t(audioFrameAtVideoFrame(index + 1, options.fps) - audioStart);
        audio.assign(audioFrames * 2, 0.0f);
        soundRenderOffline(audio.data(), audioFrames);

        clockFrameIndex = index;
        const bool quitTaken = frameLoopPass(message);
        ++result.frames;

        const HeadlessFrame frame{index, videoClockSeconds(), currentTimelineRow(), audio.data(), audioFrames};
        const bool wanted = !onFrame || onFrame(frame);
        if (quitTaken) {
            result.programmeEnded = true;
            result.exitCode = int(message.wParam);
            break;
        }
        if (!wanted) break;
        if (options.stopAfterSeconds > 0.0 && frame.startSeconds >= options.stopAfterSeconds) break;
    }

    setClockSecondsSource(nullptr);
    releaseLeftovers();
    closeMusic();
    clearTextureBank();
    destroyHeadlessContext();
    resetRunState();
    return result;
}
