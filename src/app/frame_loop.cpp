// SPDX-License-Identifier: MIT
#include "app/frame_loop.h"

#include <GL/gl.h>

#include "state/clock.h"
#include "app/frame_stats.h"
#include "app/music.h"
#include "app/timeline.h"
#include "app/window_procedure.h"
#include "scenes/viewport.h"

bool frameLoopPass(Message& message) {
    Message taken;
    if (peekMessage(taken)) {
        message = taken;
        translateMessage(message);
        dispatchMessage(message);
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
    return message.message == WM_QUIT;
}

int runFrameLoop() {
    Message message;  // cleared: WM_NULL until a message is taken
    frameStatsBegin();
    while (!frameLoopPass(message)) {
    }
    frameStatsFinish();
    return int(message.wParam);
}
