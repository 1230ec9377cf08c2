// SPDX-License-Identifier: MIT
#include "platform/window_events.h"

#include <SDL.h>

#include <deque>

#include "platform/termination.h"

namespace {
// Events waiting for the program thread, oldest first.
std::deque<WindowEvent> queue;
// A posted quit is a flag, not a queued event: it is delivered once nothing
// else is waiting, and posting it twice still gives one quit.
bool quitPending = false;
int quitExitCode = 0;
// A termination signal is handed to the program once, as a close.
bool terminationDelivered = false;

// The client area in the pixels GL draws: on a high-density output a window
// of w x h points has a larger drawable. The event's own size (points) when
// the window is not known.
WindowEvent resizedDrawable(Uint32 windowId, int width, int height) {
    if (SDL_Window* window = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetWindowFromID(windowId) : nullptr) {
        if (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) SDL_GL_GetDrawableSize(window, &width, &height);
    }
    return WindowEvent::resized(width, height);
}

bool fromSdlWindowEvent(const SDL_WindowEvent& sdlEvent, WindowEvent& event) {
    switch (sdlEvent.event) {
        case SDL_WINDOWEVENT_CLOSE: event = WindowEvent::closed(); return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            event = resizedDrawable(sdlEvent.windowID, sdlEvent.data1, sdlEvent.data2);
            return true;
        case SDL_WINDOWEVENT_MINIMIZED:
            // A minimised window has an empty client area.
            event = WindowEvent::resized(0, 0);
            return true;
        case SDL_WINDOWEVENT_RESTORED: {
            // Back from minimised: the client area is whatever the window
            // now measures.
            SDL_Window* window = SDL_GetWindowFromID(sdlEvent.windowID);
            if (!window) return false;
            int width = 0, height = 0;
            SDL_GetWindowSize(window, &width, &height);
            event = resizedDrawable(sdlEvent.windowID, width, height);
            return true;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Nothing answers it, but it takes its turn in the queue like
            // any other event.
            event = WindowEvent{WindowEvent::Kind::focus};
            return true;
        default: return false;
    }
}

// Moves every event SDL has for us into the queue. Only while SDL video is up:
// without a window there are no window events, and pumping would need it.
void pumpSdlEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event sdlEvent;
    while (SDL_PollEvent(&sdlEvent)) {
        // A window that is gone gets no more events: the refused fullscreen
        // window's last size would otherwise reach the window that replaced it.
        if (sdlEvent.type == SDL_WINDOWEVENT && !SDL_GetWindowFromID(sdlEvent.window.windowID)) continue;
        WindowEvent event;
        if (windowEventFromSdl(sdlEvent, event)) queue.push_back(event);
    }
}
}  // namespace

bool windowEventFromSdl(const SDL_Event& sdlEvent, WindowEvent& event) {
    switch (sdlEvent.type) {
        case SDL_QUIT: event = WindowEvent::closed(); return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            // Held keys repeat their key-down; each one counts.
            event = WindowEvent::key(sdlEvent.type == SDL_KEYDOWN, sdlEvent.key.keysym.sym == SDLK_ESCAPE);
            return true;
        case SDL_WINDOWEVENT: return fromSdlWindowEvent(sdlEvent.window, event);
        default: return false;
    }
}

bool takeWindowEvent(WindowEvent& event) {
    pumpSdlEvents();
    if (terminationRequested() && !terminationDelivered) {
        // Ahead of anything still waiting: the demo ends promptly, through
        // the same close as the window's button, so the desktop gets its
        // display mode back on the way out.
        terminationDelivered = true;
        queue.push_front(WindowEvent::closed());
    }
    if (!queue.empty()) {
        event = queue.front();
        queue.pop_front();
        return true;
    }
    if (quitPending) {
        quitPending = false;
        event = WindowEvent{WindowEvent::Kind::quit};
        event.exitCode = quitExitCode;
        return true;
    }
    return false;
}

void postWindowEvent(const WindowEvent& event) { queue.push_back(event); }

void postQuit(int exitCode) {
    quitPending = true;
    quitExitCode = exitCode;
}

void resetWindowEvents() {
    queue.clear();
    quitPending = false;
    quitExitCode = 0;
    terminationDelivered = false;
}
