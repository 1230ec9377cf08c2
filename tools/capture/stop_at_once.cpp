// SPDX-License-Identifier: MIT
#include "stop_at_once.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace {
// Fixed buffers: the handler may not allocate. Both are written only while
// no stage that could be stopped is running.
char message[2048];
std::atomic<size_t> messageLength{0};
char removedPath[4096];
std::atomic<bool> removes{false};

std::atomic<pid_t> child{0};
std::atomic<bool> starting{false};
std::atomic<int> pendingStop{0};

void copyInto(char* to, size_t capacity, const std::string& text, size_t& length) {
    length = std::min(text.size(), capacity - 1);
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

[[noreturn]] void finishStop(int signal) {
    if (const pid_t running = child.exchange(0); running > 0) {
        kill(running, SIGKILL);
        // Reaped here, so that it is gone before the capture is: whoever
        // started the capture then finds nothing of it still running.
        while (waitpid(running, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (removes.load()) unlink(removedPath);
    if (write(STDERR_FILENO, message, messageLength.load()) < 0) {
    }
    _exit(128 + signal);
}
}  // namespace

void setStopAtOnceMessage(const std::string& text) {
    size_t length = 0;
    copyInto(message, sizeof message, text, length);
    messageLength.store(length);
}

void setStopAtOnceRemoves(const std::string& path) {
    removes.store(false);
    if (path.empty() || path.size() >= sizeof removedPath) return;
    size_t length = 0;
    copyInto(removedPath, sizeof removedPath, path, length);
    removes.store(true);
}

void stopAtOnce(int signal) {
    if (starting.load()) {
        // The child being started has no id yet: leave the stop to
        // childStarted, unless it has just passed the point of taking it.
        pendingStop.store(signal);
        if (starting.load() || pendingStop.exchange(0) == 0) return;
    }
    finishStop(signal);
}

void childStarting() { starting.store(true); }

void childStarted(pid_t processId) {
    child.store(processId > 0 ? processId : 0);
    starting.store(false);
    if (const int signal = pendingStop.exchange(0)) finishStop(signal);
}

void childEnded() { child.store(0); }

pid_t runningChild() { return child.load(); }
