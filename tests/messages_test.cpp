// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>

#include "app/window_procedure.h"
#include "platform/messages.h"
#include "platform/termination.h"
#include "support/gl_test.h"

namespace {
class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        resetMessages();
        registerWindowProcedure(windowProcedure);
    }
    void TearDown() override {
        registerWindowProcedure(nullptr);
        resetMessages();
    }

    static intptr_t send(unsigned message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        return windowProcedure(nullptr, message, wParam, lParam);
    }
    // Takes every waiting message, in order.
    static std::vector<Message> drain() {
        std::vector<Message> taken;
        Message m;
        while (peekMessage(m)) taken.push_back(m);
        return taken;
    }
    static bool quitWaiting() {
        std::vector<Message> taken = drain();
        return !taken.empty() && taken.back().message == WM_QUIT;
    }
};

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    return e;
}

SDL_Event windowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
}
}  // namespace

TEST_F(Messages, KeyTableFollowsKeyDownAndUp) {
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 0);
    EXPECT_EQ(keys['A'], 1);
    EXPECT_FALSE(quitWaiting());
    EXPECT_EQ(send(WM_KEYUP, 'A'), 0);
    EXPECT_EQ(keys['A'], 0);
    // A code beyond the table neither writes anywhere nor asks to quit.
    send(WM_KEYDOWN, 256);
    send(WM_KEYDOWN, uintptr_t(-1));
    for (int k = 0; k < 256; ++k) EXPECT_EQ(keys[k], 0) << k;
    EXPECT_FALSE(quitWaiting());
}

TEST_F(Messages, EscapeAndEveryKeyWhileEscapeIsHeldAskToQuit) {
    send(WM_KEYDOWN, VK_ESCAPE);
    Message m;
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);
    EXPECT_FALSE(peekMessage(m)) << "one quit per request";

    // Escape still down: another key asks again.
    send(WM_KEYDOWN, 'X');
    EXPECT_TRUE(quitWaiting());
    // Released: keys are ordinary again.
    send(WM_KEYUP, VK_ESCAPE);
    send(WM_KEYDOWN, 'X');
    EXPECT_FALSE(quitWaiting());
}

TEST_F(Messages, CloseAsksToQuitWithExitCodeZero) {
    postQuitMessage(3);  // overwritten by the close below
    EXPECT_EQ(send(WM_CLOSE), 0);
    Message m;
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 0u);
}

TEST_F(Messages, OnlyTheTwoExactPowerRequestsAreSwallowedAndNothingElseActs) {
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER), 0);
    // Extra low bits make it another request, for the default handler (which
    // answers 0 too, and, like the rest of these, must not act).
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_SCREENSAVE | 2), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_MONITORPOWER + 1), 0);
    EXPECT_EQ(send(WM_ACTIVATE, WA_ACTIVE), 0);
    EXPECT_EQ(send(WM_QUIT), 0);
    EXPECT_EQ(send(0x0200), 0);
    EXPECT_FALSE(quitWaiting());
    for (int k = 0; k < 256; ++k) EXPECT_EQ(keys[k], 0) << k;
}

TEST_F(Messages, OneMessagePerPeekAndQuitAfterEverythingQueued) {
    // A burst, then a quit request: the burst is worked off one per take, in
    // order, and the quit comes last.
    for (uintptr_t k = 'A'; k <= 'E'; ++k) postMessage({WM_KEYDOWN, k, 0});
    postQuitMessage(7);
    postMessage({WM_SIZE, 0, 320 | (200 << 16)});

    Message m;
    for (uintptr_t k = 'A'; k <= 'E'; ++k) {
        ASSERT_TRUE(peekMessage(m));
        EXPECT_EQ(m.message, WM_KEYDOWN);
        EXPECT_EQ(m.wParam, k);
        EXPECT_EQ(keys[k], 0) << "taking a message must not dispatch it";
    }
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, WM_SIZE);
    ASSERT_TRUE(peekMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(peekMessage(m));
}

TEST_F(Messages, DispatchRunsTheRegisteredWindowProcedure) {
    dispatchMessage({WM_KEYDOWN, 'Q', 0});
    EXPECT_EQ(keys['Q'], 1);
    dispatchMessage({WM_CLOSE, 0, 0});
    EXPECT_TRUE(quitWaiting());

    // Another procedure gets the message whole and answers for it.
    static Message seen;
    registerWindowProcedure([](void*, unsigned message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        seen = {message, wParam, lParam};
        return 42;
    });
    EXPECT_EQ(dispatchMessage({WM_SIZE, SIZE_RESTORED, 320 | (200 << 16)}), 42);
    EXPECT_EQ(seen.message, WM_SIZE);
    EXPECT_EQ(seen.wParam, SIZE_RESTORED);
    EXPECT_EQ(seen.lParam, 320 | (200 << 16));

    // None registered: the default handler takes everything and acts on nothing.
    registerWindowProcedure(nullptr);
    EXPECT_EQ(dispatchMessage({WM_KEYDOWN, VK_ESCAPE, 0}), 0);
    dispatchMessage({WM_CLOSE, 0, 0});
    EXPECT_EQ(keys[VK_ESCAPE], 0);
    EXPECT_FALSE(quitWaiting());
}

TEST_F(Messages, ResetForgetsQueueQuitAndKeys) {
    postMessage({WM_CLOSE, 0, 0});
    postQuitMessage(0);
    send(WM_KEYDOWN, 'Z');
    resetMessages();
    Message m;
    EXPECT_FALSE(peekMessage(m));
    EXPECT_EQ(keys['Z'], 0);
}

TEST(MessageTranslation, KeysBecomeVirtualKeyCodes) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        uintptr_t vk;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
        {SDLK_a, SDL_SCANCODE_A, 'A'},
        {SDLK_z, SDL_SCANCODE_Z, 'Z'},
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_9, SDL_SCANCODE_9, '9'},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28},
        {SDLK_F1, SDL_SCANCODE_F1, 0x70},
        {SDLK_F12, SDL_SCANCODE_F12, 0x7B},
        {SDLK_F13, SDL_SCANCODE_F13, 0x7C},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60},
        {SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69},
        {SDLK_MINUS, SDL_SCANCODE_MINUS, 0xBD},
        // A Cyrillic layout's letter key still reports its Latin code.
        {0x0444, SDL_SCANCODE_A, 'A'},
        // No code of its own.
        {SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, VK_UNMAPPED},
    };
    for (const Case& c : cases) {
        Message m;
        ASSERT_TRUE(messageFromSdlEvent(keyEvent(SDL_KEYDOWN, c.sym, c.scancode), m));
        EXPECT_EQ(m.message, WM_KEYDOWN);
        EXPECT_EQ(m.wParam, c.vk) << "SDL key " << c.sym;
        ASSERT_TRUE(messageFromSdlEvent(keyEvent(SDL_KEYUP, c.sym, c.scancode), m));
        EXPECT_EQ(m.message, WM_KEYUP);
        EXPECT_EQ(m.wParam, c.vk);
    }
}

TEST(MessageTranslation, WindowEventsBecomeWindowMessages) {
    Message m;
    ASSERT_TRUE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), m));
    EXPECT_EQ(m.message, WM_SIZE);
    EXPECT_EQ(m.lParam & 0xFFFF, 800);
    EXPECT_EQ((m.lParam >> 16) & 0xFFFF, 600);

    ASSERT_TRUE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_MINIMIZED), m));
    EXPECT_EQ(m.message, WM_SIZE);
    EXPECT_EQ(m.lParam, 0) << "a minimised window has no client area";

    ASSERT_TRUE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_CLOSE), m));
    EXPECT_EQ(m.message, WM_CLOSE);
    ASSERT_TRUE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), m));
    EXPECT_EQ(m.message, WM_ACTIVATE);
    EXPECT_EQ(m.wParam, WA_ACTIVE);
    ASSERT_TRUE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST), m));
    EXPECT_EQ(m.message, WM_ACTIVATE);
    EXPECT_EQ(m.wParam, WA_INACTIVE);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_TRUE(messageFromSdlEvent(quit, m));
    EXPECT_EQ(m.message, WM_CLOSE);

    EXPECT_FALSE(messageFromSdlEvent(windowEvent(SDL_WINDOWEVENT_MOVED, 5, 5), m));
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_FALSE(messageFromSdlEvent(motion, m));
}

// A size message on a live context: the viewport takes the 4:3 part of the
// client size, and a zero height (minimised) becomes one pixel.
using SizeMessage = GlTest;

TEST_F(SizeMessage, SetsViewportAndZeroHeightBecomesOnePixel) {
    windowProcedure(nullptr, WM_SIZE, 0, 320 | (200 << 16));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 26);
    EXPECT_EQ(viewport[2], 267);
    EXPECT_EQ(viewport[3], 200);

    windowProcedure(nullptr, WM_SIZE, SIZE_MINIMIZED, 500);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A termination signal reaches the program as one close message, ahead of
// whatever is still waiting, and the wake descriptor tells waiters at once.
TEST_F(Messages, ATerminationSignalComesInFirstAsOneCloseMessage) {
    installTerminationHandlers();
    postMessage({WM_KEYDOWN, 'A', 0});
    ASSERT_EQ(raise(SIGINT), 0);
    EXPECT_TRUE(terminationRequested());
    pollfd wake{terminationWakeDescriptor(), POLLIN, 0};
    EXPECT_EQ(poll(&wake, 1, 0), 1);

    const std::vector<Message> taken = drain();
    const std::vector<Message> later = drain();
    clearTerminationRequest();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].message, WM_CLOSE);
    EXPECT_EQ(taken[1].message, WM_KEYDOWN);
    EXPECT_TRUE(later.empty());
}
