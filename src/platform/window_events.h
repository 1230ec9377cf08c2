// SPDX-License-Identifier: MIT
// What the window system has to tell the demo, in the demo's words: the
// window was closed, its drawable has a new size, a key went down or up, the
// window gained or lost the focus; and the demo's own request to end. SDL
// events are translated into these and queued; the frame loop takes at most
// one per frame.
#pragma once

struct WindowEvent {
    enum class Kind { none, quit, close, resize, keyDown, keyUp, focus };
    Kind kind = Kind::none;
    int width = 0;  // resize: the drawable's new size in pixels (0 x 0 when minimised)
    int height = 0;
    bool escape = false;  // keyDown, keyUp: the key is Escape
    int exitCode = 0;     // quit

    static WindowEvent closed() { return {Kind::close}; }
    static WindowEvent resized(int width, int height) { return {Kind::resize, width, height}; }
    static WindowEvent key(bool down, bool escape) { return {down ? Kind::keyDown : Kind::keyUp, 0, 0, escape}; }
};

// Takes the next waiting event, if any (SDL's events are translated into the
// queue first). A termination signal comes in once, as a close ahead of
// everything else; a posted quit is delivered once the queue is otherwise
// empty.
bool takeWindowEvent(WindowEvent& event);

// Queues an event as if the window system had sent it (tests).
void postWindowEvent(const WindowEvent& event);
// Asks the frame loop to end with the exit code. Asking again before the
// quit is taken still gives one quit, with the latest code.
void postQuit(int exitCode);

// The event an SDL event means to the demo; false for those it ignores
// (mouse, moves, ...). SDL's own quit request is a close, so that the
// way out restores the desktop's mode as the close button's does.
union SDL_Event;
bool windowEventFromSdl(const SDL_Event& sdlEvent, WindowEvent& event);

// Empties the queue and forgets a pending quit and a delivered termination.
void resetWindowEvents();
