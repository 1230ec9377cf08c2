// SPDX-License-Identifier: MIT
// The frame loop: one pass per frame, no frame-rate cap, until the pass that
// takes the quit message has been drawn.
#pragma once

#include "platform/messages.h"

// One pass: take and dispatch at most one message, read the clock, present the
// previous frame, decay the flash, run the timeline, draw the level meter,
// blacken the bars beside the picture (if any), flush, advance the clock. `message` is the loop's message record: it
// keeps the last message taken. True when this pass took the quit message.
bool frameLoopPass(Message& message);

// Runs passes until the quit message is taken; returns its exit code.
int runFrameLoop();
