// SPDX-License-Identifier: MIT
// The frame loop: one pass per frame, no frame-rate cap, until the pass that
// takes the quit has been drawn.
#pragma once

#include "platform/window_events.h"

// One pass: take and answer at most one window event, read the clock,
// present the previous frame, decay the flash, run the timeline, draw the
// level meter, blacken the bars beside the picture (if any), flush, advance
// the clock. `lastEvent` is the loop's record: it keeps the last event
// taken. True when this pass took the quit.
bool frameLoopPass(WindowEvent& lastEvent);

// Runs passes until the quit is taken; returns its exit code.
int runFrameLoop();
