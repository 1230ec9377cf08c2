// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>

#include "app/window_handling.h"
#include "platform/termination.h"
#include "platform/window_events.h"
#include "support/gl_test.h"

namespace {
using Kind = WindowEvent::Kind;

class WindowEvents : public ::testing::Test {
protected:
    void SetUp() override {
        resetWindowEvents();
        releaseHeldKeys();
    }
    void TearDown() override {
        resetWindowEvents();
        releaseHeldKeys();
    }

    static void key(bool down, bool escape) { handleWindowEvent(WindowEvent::key(down, escape)); }
    // Takes every waiting event, in order.
    static std::vector<WindowEvent> drain() {
        std::vector<WindowEvent> taken;
        WindowEvent event;
        while (takeWindowEvent(event)) taken.push_back(event);
        return taken;
    }
    static bool quitWaiting() {
        std::vector<WindowEvent> taken = drain();
        return !taken.empty() && taken.back().kind == Kind::quit;
    }
};

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    return e;
}

SDL_Event sdlWindowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
}
}  // namespace

TEST_F(WindowEvents, EscapeAndEveryKeyWhileEscapeIsHeldAskToQuit) {
    key(true, false);
    key(false, false);
    EXPECT_FALSE(quitWaiting()) << "an ordinary key ends nothing";

    key(true, true);
    WindowEvent event;
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, Kind::quit);
    EXPECT_EQ(event.exitCode, 0);
    EXPECT_FALSE(takeWindowEvent(event)) << "one quit per request";

    // Escape still down: another key asks again.
    key(true, false);
    EXPECT_TRUE(quitWaiting());
    // Released: keys are ordinary again; another key's release changes nothing.
    key(false, true);
    key(true, false);
    EXPECT_FALSE(quitWaiting());
    key(true, true);
    key(false, false);
    drain();
    key(true, false);
    EXPECT_TRUE(quitWaiting());

    // A new run starts with no key held.
    releaseHeldKeys();
    key(true, false);
    EXPECT_FALSE(quitWaiting());
}

TEST_F(WindowEvents, CloseAsksToQuitWithExitCodeZeroAndNothingElseActs) {
    postQuit(3);  // overwritten by the close below
    handleWindowEvent(WindowEvent::closed());
    WindowEvent event;
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, Kind::quit);
    EXPECT_EQ(event.exitCode, 0);

    // The focus, a quit handed back and an empty record need no answer.
    handleWindowEvent(WindowEvent{Kind::focus});
    handleWindowEvent(WindowEvent{Kind::quit});
    handleWindowEvent(WindowEvent{});
    EXPECT_FALSE(takeWindowEvent(event));
}

TEST_F(WindowEvents, OneEventPerTakeAndQuitAfterEverythingQueued) {
    // A burst, then a quit request, then more: the burst is worked off one
    // per take, in order, and the quit comes last, with its code.
    for (int i = 0; i < 5; ++i) postWindowEvent(WindowEvent::key(true, false));
    postQuit(7);
    postWindowEvent(WindowEvent::resized(320, 200));

    WindowEvent event;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(takeWindowEvent(event));
        EXPECT_EQ(event.kind, Kind::keyDown);
    }
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, Kind::resize);
    EXPECT_EQ(event.width, 320);
    EXPECT_EQ(event.height, 200);
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, Kind::quit);
    EXPECT_EQ(event.exitCode, 7);
    EXPECT_FALSE(takeWindowEvent(event));

    // Reset forgets the queue and a pending quit.
    postWindowEvent(WindowEvent::closed());
    postQuit(0);
    resetWindowEvents();
    EXPECT_FALSE(takeWindowEvent(event));
}

TEST(WindowEventTranslation, OnlyEscapeIsTellingAmongTheKeys) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        bool escape;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true},
        {SDLK_a, SDL_SCANCODE_A, false},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, false},
        {SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, false},
        // A layout that puts another key where Escape usually is: the key,
        // not the place, is what counts.
        {SDLK_CAPSLOCK, SDL_SCANCODE_ESCAPE, false},
    };
    for (const Case& c : cases) {
        WindowEvent event;
        ASSERT_TRUE(windowEventFromSdl(keyEvent(SDL_KEYDOWN, c.sym, c.scancode), event));
        EXPECT_EQ(event.kind, Kind::keyDown);
        EXPECT_EQ(event.escape, c.escape) << "SDL key " << c.sym;
        ASSERT_TRUE(windowEventFromSdl(keyEvent(SDL_KEYUP, c.sym, c.scancode), event));
        EXPECT_EQ(event.kind, Kind::keyUp);
        EXPECT_EQ(event.escape, c.escape);
    }
}

TEST(WindowEventTranslation, WindowChangesBecomeTheDemosEvents) {
    WindowEvent event;
    // No window with that id: the size in the event stands.
    ASSERT_TRUE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), event));
    EXPECT_EQ(event.kind, Kind::resize);
    EXPECT_EQ(event.width, 800);
    EXPECT_EQ(event.height, 600);

    ASSERT_TRUE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_MINIMIZED), event));
    EXPECT_EQ(event.kind, Kind::resize);
    EXPECT_EQ(event.width, 0) << "a minimised window has no client area";
    EXPECT_EQ(event.height, 0);

    ASSERT_TRUE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_CLOSE), event));
    EXPECT_EQ(event.kind, Kind::close);
    ASSERT_TRUE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), event));
    EXPECT_EQ(event.kind, Kind::focus);
    ASSERT_TRUE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), event));
    EXPECT_EQ(event.kind, Kind::focus);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_TRUE(windowEventFromSdl(quit, event));
    EXPECT_EQ(event.kind, Kind::close);

    EXPECT_FALSE(windowEventFromSdl(sdlWindowEvent(SDL_WINDOWEVENT_MOVED, 5, 5), event));
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_FALSE(windowEventFromSdl(motion, event));
}

// A resize on a live context: the viewport takes the 4:3 part of the client
// size, and a zero height (minimised) becomes one pixel.
using ResizeEvent = GlTest;

TEST_F(ResizeEvent, SetsViewportAndZeroHeightBecomesOnePixel) {
    handleWindowEvent(WindowEvent::resized(320, 200));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 26);
    EXPECT_EQ(viewport[2], 267);
    EXPECT_EQ(viewport[3], 200);

    handleWindowEvent(WindowEvent::resized(500, 0));
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A termination signal reaches the program as one close, ahead of whatever
// is still waiting, and the wake descriptor tells waiters at once.
TEST_F(WindowEvents, ATerminationSignalComesInFirstAsOneClose) {
    installTerminationHandlers();
    postWindowEvent(WindowEvent::key(true, false));
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_TRUE(terminationRequested());
    pollfd wake{terminationWakeDescriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&wake, 1, 0), 1);

    const std::vector<WindowEvent> taken = drain();
    const std::vector<WindowEvent> later = drain();
    clearTerminationRequest();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].kind, Kind::close);
    EXPECT_EQ(taken[1].kind, Kind::keyDown);
    EXPECT_TRUE(later.empty());
}
