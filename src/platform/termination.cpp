// SPDX-License-Identifier: MIT
#include "platform/termination.h"

#include <SDL.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace {
std::atomic<bool> requested{false};
int wakePipe[2] = {-1, -1};

// Async-signal-safe: an atomic store and a write to a non-blocking pipe.
void onTerminationSignal(int) {
    const int savedErrno = errno;
    requested.store(true);
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    }
    errno = savedErrno;
}
}  // namespace

void installTerminationHandlers() {
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // SDL would otherwise put its own handlers in place when video starts
    // (it leaves ours alone, but says so explicitly here).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

bool terminationRequested() { return requested.load(); }

int terminationWakeDescriptor() { return wakePipe[0]; }

void clearTerminationRequest() {
    requested.store(false);
    char drain[64];
    if (wakePipe[0] >= 0)
        while (read(wakePipe[0], drain, sizeof drain) > 0) {
        }
}
