// SPDX-License-Identifier: MIT
// SIGTERM and SIGINT end the demo the way closing its window does, whatever
// it is doing at the time: the handler only notes the request and wakes
// whoever waits; the frame loop then takes it as a close message, and a
// message box that is open is taken down first.
#pragma once

// Installs the handlers (and keeps SDL from installing its own over them).
void installTerminationHandlers();

// True once a termination signal has arrived.
bool terminationRequested();

// A descriptor that becomes readable when a termination signal arrives, for
// waits that must end at once; -1 before the handlers are installed.
int terminationWakeDescriptor();

// Forgets a request (tests).
void clearTerminationRequest();
