// SPDX-License-Identifier: MIT
#include "app/frame_loop.h"

#include <GL/gl.h>

#include "app/frame_stats.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window_handling.h"
#include "scenes/viewport.h"
#include "state/clock.h"

bool frameLoopPass(WindowEvent& lastEvent) {
    WindowEvent taken;
    if (takeWindowEvent(taken)) {
        lastEvent = taken;
        handleWindowEvent(lastEvent);
    }
    frameStartStep();
    runSceneStep(currentProgramme().presentFrame);
    const bool stats = frameStatsOn();
    if (stats) frameStatsSwapped();
    flashDecayStep();
    timelineStep();
    if (currentProgramme().drawMeter) currentProgramme().drawMeter(musicLevel());
    coverPictureBars();
    glFlush();
    frameEndStep();
    if (stats) frameStatsPassDone(currentTimelineRow());
    return lastEvent.kind == WindowEvent::Kind::quit;
}

int runFrameLoop() {
    WindowEvent lastEvent;  // cleared: Kind::none until an event is taken
    frameStatsBegin();
    while (!frameLoopPass(lastEvent)) {
    }
    frameStatsFinish();
    return lastEvent.exitCode;
}
