// SPDX-License-Identifier: MIT
#include "app/startup.h"

#include <chrono>

#include "app/timeline.h"
#include "app/window_handling.h"
#include "assets/data_files.h"
#include "assets/texture_bank.h"
#include "platform/termination.h"
#include "platform/window.h"
#include "scenes/viewport.h"

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
}  // namespace

StartupResult startProgramme(const ProgrammeSteps& steps, int width, int height) {
    StartupResult result;
    auto stepStart = Clock::now();
    if (!steps.soundLibraryVersionMatches()) {
        result.failed = StartupStep::soundVersion;
        return result;
    }
    if (!steps.openMusic()) {
        result.failed = StartupStep::sound;
        return result;
    }
    result.soundSeconds = secondsSince(stepStart);

    // A termination signal during start-up: no display is opened any more.
    if (terminationRequested()) {
        steps.closeMusic();
        result.failed = StartupStep::terminated;
        return result;
    }

    stepStart = Clock::now();
    if (!steps.openWindow("Glimmervandra", width, height, 16, fullscreen)) {
        result.failed = StartupStep::display;
        return result;
    }
    int drawableWidth = width, drawableHeight = height;
    if (steps.drawableSize) steps.drawableSize(drawableWidth, drawableHeight);
    resizeViewport(drawableWidth, drawableHeight);
    result.displaySeconds = secondsSince(stepStart);

    steps.registerMusicSyncs();
    if (!steps.startMusicPlayback()) {
        steps.closeWindow();
        result.failed = StartupStep::playback;
        return result;
    }

    stepStart = Clock::now();
    steps.loadTextureBank(grassPicturePath);  // the music already plays meanwhile
    result.textureBankSeconds = secondsSince(stepStart);
    return result;
}

void stopProgramme(const ProgrammeSteps& steps) {
    // A run that ends early (Escape, or a capture of part of the programme)
    // may stop inside a scene; what its set-up made is released first.
    tearDownTimeline();
    steps.closeMusic();
    clearTextureBank();
    steps.closeWindow();
}
