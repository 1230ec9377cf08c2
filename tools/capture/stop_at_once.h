// SPDX-License-Identifier: MIT
// The capture's second Ctrl-C or SIGTERM: it stops at once, from inside the
// signal handler, and must still leave no ffmpeg running behind it. The
// child processes are registered here as they start, and a stop that comes
// while one is being started waits for its process id, so that no child can
// outlive the capture unnamed.
#pragma once

#include <sys/types.h>

#include <string>

// What the stop writes on stderr, and an unfinished file it removes (""
// for none). Set from the main thread before each stage; the handler only
// reads them.
void setStopAtOnceMessage(const std::string& text);
void setStopAtOnceRemoves(const std::string& path);

// Kills and reaps the running child, removes the unfinished file, writes
// the message and ends the process with 128 + signal. Async-signal-safe.
// While a child is being started it only notes the stop and returns;
// childStarted carries it out as soon as the child's id is known.
void stopAtOnce(int signal);

// Around the start of a child process: begin before the spawn, then report
// its id (or -1 when it did not start); childEnded once it has been reaped.
void childStarting();
void childStarted(pid_t processId);
void childEnded();
pid_t runningChild();
