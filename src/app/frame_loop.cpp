#include "app/frame_loop.h"

#include <GL/gl.h>

#include "app/clock.h"
#include "app/timeline.h"

bool frameLoopPass(Message& message) {
    Message taken;
    if (peekMessage(taken)) {
        message = taken;
        translateMessage(message);
        dispatchMessage(message);
    }
    frameStartStep();
    if (currentProgrammeOps().presentFrame) currentProgrammeOps().presentFrame();
    flashDecayStep();
    timelineStep();
    if (currentProgrammeOps().drawLevelMeter) currentProgrammeOps().drawLevelMeter();
    glFlush();
    frameEndStep();
    return message.message == WM_QUIT;
}

int runFrameLoop() {
    Message message;  // cleared: WM_NULL until a message is taken
    while (!frameLoopPass(message)) {
    }
    return int(message.wParam);
}
