// SPDX-License-Identifier: MIT
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "app/window_handling.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "platform/window_events.h"
#include "platform/x11_window.h"
#include "scenes/picture_area.h"
#include "scenes/viewport.h"
#include "support/deaf_window_manager.h"
#include "support/gl_test.h"
#include "support/xvfb_server.h"

// Last: Xlib's macros would clash with names above.
#include <SDL_syswm.h>

namespace {
const char* const questionText =
    "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";

// The projection gluPerspective(100, 4/3, 8, 10000) gives, worked out here
// from its definition rather than by calling it.
void expectDemoProjection(const GLdouble* m) {
    const double pi = std::acos(-1.0);
    const double f = 1.0 / std::tan(50.0 * pi / 180.0);
    const double aspect = 640.0 / 480.0;
    const double nearZ = 8.0, farZ = 10000.0;
    const double expected[16] = {f / aspect,
                                 0,
                                 0,
                                 0,
                                 0,
                                 f,
                                 0,
                                 0,
                                 0,
                                 0,
                                 (farZ + nearZ) / (nearZ - farZ),
                                 -1,
                                 0,
                                 0,
                                 2 * farZ * nearZ / (nearZ - farZ),
                                 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-5 * (1 + std::fabs(expected[i]))) << "element " << i;
}

void expectViewport(int width, int height, int x = 0, int y = 0) {
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], x);
    EXPECT_EQ(viewport[1], y);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
}

// A round trip to the X server of the current window: when it returns, every
// event the server made for the requests sent before it has arrived.
bool syncWithXServer() {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XSync(info.info.x11.display, False);
    return true;
}

// Everything the window system has had to say up to now, in order, taken
// from the queue. After the round trip a quit is posted as a marker: it
// comes out only once everything before it has been taken. Rounds repeat
// until one brings nothing, so that events SDL makes while taking in others
// are included too. Waiting a while instead could end before a slow server
// has spoken.
std::vector<WindowEvent> eventsSoFar() {
    std::vector<WindowEvent> seen;
    for (int round = 0; round < 10; ++round) {
        EXPECT_TRUE(syncWithXServer()) << "no X11 window to sync with";
        postQuit(0);
        const size_t before = seen.size();
        WindowEvent event;
        while (takeWindowEvent(event) && event.kind != WindowEvent::Kind::quit) seen.push_back(event);
        if (seen.size() == before) break;
    }
    return seen;
}

void expectIdentityModelview() {
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0 : 0.0) << "element " << i;
}

// Every window test records its boxes and starts from a closed window.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        captureMessageBoxes(true, IDNO);
        resetWindowEvents();
        releaseHeldKeys();
    }
    void TearDown() override {
        closeWindow();
        captureMessageBoxes(false);
        resetWindowEvents();
        releaseHeldKeys();
        fullscreen = 1;
        chooseDisplay(DisplayChoice::automatic);
        // Only now: Xlib ends the process when its server goes away under it.
        server.reset();
    }
    // Starts a private X server and points DISPLAY at it; false when there
    // is no Xvfb to start.
    bool startDisplay(const std::string& screen, const std::vector<std::string>& extra = {}) {
        server = std::make_unique<XvfbServer>(screen, extra);
        if (!server->running()) return false;
        setenv("DISPLAY", server->display().c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        return true;
    }
    std::unique_ptr<XvfbServer> server;
};
}  // namespace

using Viewport = GlTest;

TEST_F(Viewport, TakesTheLargestCentred43AreaAndKeepsTheScreenAspect) {
    // Drawable size, then the picture's area in it: x, y, width, height.
    const int sizes[][6] = {{640, 480, 0, 0, 640, 480},
                            {1024, 300, 312, 0, 400, 300},
                            {17, 900, 0, 443, 17, 13},
                            {1920, 1080, 240, 0, 1440, 1080}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
        // Leave other matrices current and dirty: the resize must pick its own.
        glMatrixMode(GL_TEXTURE);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(3.0f, 4.0f, 5.0f);
        resizeViewport(size[0], size[1]);
        expectViewport(size[4], size[5], size[2], size[3]);
        GLdouble projection[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        expectDemoProjection(projection);
        expectIdentityModelview();
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A drawable wider than 4:3 in the lower part of the test's buffer: after a
// frame drawn in any colour, the bars are black, the picture keeps its
// pixels, and the clear colour and scissor state the scenes set survive.
TEST_F(Viewport, BarsBesideThePictureAreBlackenedAndTheStateKept) {
    resizeViewport(640, 360);  // picture 480x360 at x 80
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(1, 2, 3, 4);
    coverPictureBars();

    const auto shown = frame();
    const int bottom = height - 1;  // the drawable's rows are the buffer's lowest
    for (const int x : {0, 79, 560, 639}) {
        SCOPED_TRACE(x);
        const Rgba bar = pixelAt(shown, x, bottom - 10);
        EXPECT_EQ(bar.r, 0);
        EXPECT_EQ(bar.g, 0);
        EXPECT_EQ(bar.b, 0);
    }
    for (const int x : {80, 320, 559}) EXPECT_EQ(pixelAt(shown, x, bottom - 10).r, 255) << x;
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(clearColour[0], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[0], 1);
    EXPECT_EQ(box[3], 4);

    // A 4:3 drawable has no bars: nothing is touched.
    resizeViewport(640, 480);
    glClear(GL_COLOR_BUFFER_BIT);
    coverPictureBars();
    EXPECT_EQ(pixel(0, 240).r, 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(PictureArea, FitsTheLargest43RectangleCentred) {
    struct Case {
        int w, h;
        PictureArea area;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},
        {1440, 1080, {0, 0, 1440, 1080}},
        {1920, 1080, {240, 0, 1440, 1080}},
        {3840, 2160, {480, 0, 2880, 2160}},
        {2560, 1600, {213, 0, 2133, 1600}},
        {480, 1000, {0, 320, 480, 360}},
        {1281, 960, {0, 0, 1280, 960}},
        {1, 1, {0, 0, 1, 1}},
        {0, 0, {0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        const PictureArea a = pictureAreaFor(c.w, c.h);
        EXPECT_EQ(a.x, c.area.x);
        EXPECT_EQ(a.y, c.area.y);
        EXPECT_EQ(a.width, c.area.width);
        EXPECT_EQ(a.height, c.area.height);
    }
}

TEST_F(Viewport, ZeroHeightBecomesOnePixel) {
    resizeViewport(640, 0);
    expectViewport(1, 1, 319, 0);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    expectDemoProjection(projection);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Stacks seen in practice, by what SDL reports after the fullscreen window
// appeared: (display mode, window's mode, drawable size, fullscreen flag).
TEST(FullscreenCheck, AcceptsASwitchedOrEmulatedModeAndCatchesARefusal) {
    struct Case {
        const char* stack;
        FullscreenFacts facts;
        bool granted;
    };
    const Case cases[] = {
        {"X11 with the mode", {640, 480, 640, 480, 640, 480, true}, true},
        {"XWayland's per-client mode", {640, 480, 640, 480, 640, 480, true}, true},
        {"Wayland scaling 640x480 up", {1024, 768, 640, 480, 640, 480, true}, true},
        // X11 without 640x480: SDL picks the closest larger mode and keeps
        // the desktop, the window covers it.
        {"X11 refusing, closest mode", {1024, 768, 800, 600, 1024, 768, true}, false},
        {"X11 refusing, desktop only", {1024, 768, 1024, 768, 1024, 768, true}, false},
        // The window's mode claims 640x480 but nothing draws at that size.
        {"mode claimed, desktop-sized drawable", {1024, 768, 640, 480, 1024, 768, true}, false},
        {"window not fullscreen", {1024, 768, 640, 480, 640, 480, false}, false},
        {"display unknown", {0, 0, 0, 0, 0, 0, false}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(fullscreenModeGranted(c.facts, 640, 480), c.granted) << c.stack;
}

TEST_F(WindowTest, WithoutADisplayTheWindowClassStepFails) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // Even when SDL is pointed at its invisible driver, no window opens there.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_FALSE(openWindow("Glimmervandra", 640, 480, 16, 1));
    unsetenv("SDL_VIDEODRIVER");
    const auto boxes = takeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_FALSE(windowIsOpen());
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO));

    // Everything after such a failure is harmless and silent.
    swapWindowBuffers();
    closeWindow();
    closeWindow();
    WindowEvent event;
    EXPECT_FALSE(takeWindowEvent(event));
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
}

TEST_F(WindowTest, ClosingWhatWasNeverOpenedShowsNothing) {
    fullscreen = 1;
    closeWindow();
    fullscreen = 0;
    closeWindow();
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    EXPECT_FALSE(windowIsOpen());
}

TEST_F(WindowTest, FullscreenOnADisplayWithTheMode) {
    if (!startDisplay("640x480x16")) GTEST_SKIP() << server->why();

    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 1));
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    EXPECT_TRUE(windowIsOpen());
    EXPECT_EQ(fullscreen, 1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "the cursor is hidden in fullscreen";
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(mode.w, 640);
    EXPECT_EQ(mode.h, 480);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());

    // The context is current, double-buffered, with a depth buffer, and
    // draws fixed-function (display lists exist only there).
    expectViewport(640, 480);
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_TRUE(doubleBuffered);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    GLuint list = glGenLists(1);
    EXPECT_NE(list, 0u);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glEnd();
    glEndList();
    glDeleteLists(list, 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    swapWindowBuffers();

    closeWindow();
    EXPECT_FALSE(windowIsOpen());
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
}

TEST_F(WindowTest, ADisplayWithoutGlSaysNoPixelFormatFitsInBothModes) {
    // An X server without its GL extension makes windows, but none that GL
    // can draw in: the failure is the pixel format's, not the window's.
    if (!startDisplay("640x480x16", {"-extension", "GLX"})) GTEST_SKIP() << server->why();
    for (uint8_t fullscreenRequest : {uint8_t(1), uint8_t(0)}) {
        EXPECT_FALSE(openWindow("Glimmervandra", 640, 480, 16, fullscreenRequest));
        const auto shown = takeCapturedMessageBoxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Can't Find A Suitable PixelFormat.");
        EXPECT_EQ(shown[0].caption, "ERROR");
        EXPECT_FALSE(windowIsOpen());
    }
}

TEST_F(WindowTest, RefusedModeAnsweredNoEndsStartUp) {
    if (!startDisplay("1024x768x24")) GTEST_SKIP() << server->why();

    captureMessageBoxes(true, IDNO);
    EXPECT_FALSE(openWindow("Glimmervandra", 640, 480, 16, 1));
    EXPECT_FALSE(windowIsOpen());
    const auto boxes = takeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, questionText);
    EXPECT_EQ(boxes[0].caption, "Vopa GL");
    EXPECT_EQ(boxes[0].style, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[1].text, "Program Will Now Close.");
    EXPECT_EQ(boxes[1].caption, "ERROR");
    EXPECT_EQ(boxes[1].style, MB_OK | MB_ICONSTOP);
    // The desktop mode was never left.
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(mode.w, 1024);
    closeWindow();
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
}

TEST_F(WindowTest, RefusedModeAnsweredYesGivesAWindowOfTheClientSize) {
    if (!startDisplay("1024x768x24")) GTEST_SKIP() << server->why();

    captureMessageBoxes(true, IDYES);
    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 1));
    const auto boxes = takeCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, questionText);
    EXPECT_EQ(fullscreen, 0);
    EXPECT_TRUE(windowIsOpen());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "a window keeps the cursor";

    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(mode.w, 1024);
    expectViewport(640, 480);

    // What the window system says about the new window (and nothing about
    // the refused fullscreen one) reaches the program: the viewport stays
    // that of the 640x480 client area.
    for (const WindowEvent& event : eventsSoFar()) {
        if (event.kind == WindowEvent::Kind::resize) {
            EXPECT_EQ(event.width, 640);
            EXPECT_EQ(event.height, 480);
        }
        handleWindowEvent(event);
    }
    expectViewport(640, 480);

    closeWindow();
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
}

TEST_F(WindowTest, WindowEventsArriveOnePerTake) {
    if (!startDisplay("640x480x16")) GTEST_SKIP() << server->why();
    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 0));
    // Drop whatever the window's appearance produced.
    eventsSoFar();
    WindowEvent event;

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_ESCAPE;
    key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    ASSERT_EQ(SDL_PushEvent(&key), 1);
    key.type = SDL_KEYUP;
    ASSERT_EQ(SDL_PushEvent(&key), 1);
    SDL_Event close{};
    close.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&close), 1);

    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::keyDown);
    EXPECT_TRUE(event.escape);
    handleWindowEvent(event);  // asks to quit: the quit waits behind the queue
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::keyUp);
    EXPECT_TRUE(event.escape);
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::close);
    ASSERT_TRUE(takeWindowEvent(event));
    EXPECT_EQ(event.kind, WindowEvent::Kind::quit);
    EXPECT_FALSE(takeWindowEvent(event));
}

TEST_F(WindowTest, AResizedWindowKeepsThePicture43WithBars) {
    if (!startDisplay("1024x768x24")) GTEST_SKIP() << server->why();
    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 0));
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);

    // As if the user dragged the frame: the X server tells the window its new
    // size, which reaches the program as a resize.
    SDL_SetWindowSize(window, 800, 300);
    bool sized = false;
    for (int i = 0; i < 100 && !sized; ++i) {
        SDL_Delay(20);
        WindowEvent event;
        while (takeWindowEvent(event)) {
            handleWindowEvent(event);
            sized = sized || (event.kind == WindowEvent::Kind::resize && event.width == 800 && event.height == 300);
        }
    }
    ASSERT_TRUE(sized) << "no resize for the new client area";
    expectViewport(400, 300, 200, 0);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    expectDemoProjection(projection);
}

// A compositor that makes the window fullscreen only once it has shown a
// frame (sway): the answer is judged after frames were presented, not right
// after the window appeared, and a compositor that never answers yes is a
// refusal once the time is up.
TEST(FullscreenAnswer, ALateYesIsAYesAndNoAnswerIsARefusal) {
    int presented = 0;
    EXPECT_TRUE(waitForFullscreen([&] { return presented >= 3; }, [&] { ++presented; }, 5000));
    EXPECT_EQ(presented, 3);

    presented = 0;
    EXPECT_TRUE(waitForFullscreen([] { return true; }, [&] { ++presented; }, 5000));
    EXPECT_EQ(presented, 0) << "an answer already given needs no frame";

    presented = 0;
    EXPECT_FALSE(waitForFullscreen([] { return false; }, [&] { ++presented; }, 60));
    EXPECT_GE(presented, 1);

    FullscreenFacts early{1920, 1080, 1920, 1080, 1920, 1080, false};
    EXPECT_FALSE(desktopFullscreenGranted(early));
    early.windowIsFullscreen = true;
    EXPECT_TRUE(desktopFullscreenGranted(early));
}

// The desktop's own mode on a 16:9 screen: fullscreen without a mode switch
// or a question, the drawable the whole screen, the picture 4:3 in its
// middle; closing leaves the mode as it was.
TEST_F(WindowTest, DesktopModeCoversTheScreenAndCentresThePicture) {
    if (!startDisplay("1280x720x24")) GTEST_SKIP() << server->why();
    chooseDisplay(DisplayChoice::desktop);
    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 1));
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    EXPECT_EQ(fullscreen, 1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    int width = 640, height = 480;
    windowDrawableSize(width, height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    resizeViewport(width, height);
    expectViewport(960, 720, 160, 0);
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
    EXPECT_EQ(mode.w, 1280) << "the desktop's mode is kept";
    closeWindow();
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    EXPECT_FALSE(windowIsOpen());
}

// A window by choice: no fullscreen attempt and so no question, even where
// the 640x480 mode is missing; a real X server is one that switches modes.
TEST_F(WindowTest, AWindowByChoiceAsksNothing) {
    if (!startDisplay("1024x768x24")) GTEST_SKIP() << server->why();
    chooseDisplay(DisplayChoice::window);
    ASSERT_TRUE(openWindow("Glimmervandra", 640, 480, 16, 1));
    EXPECT_TRUE(takeCapturedMessageBoxes().empty());
    EXPECT_EQ(fullscreen, 0);
    EXPECT_TRUE(displaySwitchesModes());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    int width = 0, height = 0;
    windowDrawableSize(width, height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
}

// A window manager that never answers: the demo's window is not shown, and
// the wait for it ends at its limit instead of lasting for ever (SDL's own
// show would). Without the manager the window is shown at once.
TEST_F(WindowTest, AWindowManagerThatNeverShowsTheWindowIsWaitedForBoundedly) {
    if (!startDisplay("640x480x24")) GTEST_SKIP() << server->why();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* shown = SDL_CreateWindow("plain", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(mapX11WindowWithin(shown, 5000));
    SDL_DestroyWindow(shown);

    DeafWindowManager manager(server->display());
    ASSERT_TRUE(manager.running());
    SDL_Window* ignored = SDL_CreateWindow("ignored", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(ignored, nullptr);
    EXPECT_FALSE(mapX11WindowWithin(ignored, 200));
    SDL_DestroyWindow(ignored);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
