// SPDX-License-Identifier: MIT
#include "platform/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;
EGLContext context = EGL_NO_CONTEXT;
std::string lastError;

bool fail(const char* what) {
    lastError = std::string(what) + " (EGL error 0x";
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", unsigned(eglGetError()));
    lastError += hex;
    lastError += ")";
    destroyHeadlessContext();
    return false;
}

EGLDisplay openSurfacelessDisplay() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}
}  // namespace

bool createHeadlessContext(int width, int height) {
    destroyHeadlessContext();
    lastError.clear();

    display = openSurfacelessDisplay();
    if (display == EGL_NO_DISPLAY) return fail("no EGL surfaceless display");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return fail("eglInitialize failed");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail("desktop OpenGL is not available through EGL");

    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       16,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1)
        return fail("no EGL configuration with RGBA and depth for a pbuffer");

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) return fail("eglCreatePbufferSurface failed");

    // A compatibility context: the demo draws with the fixed-function pipeline.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return fail("eglCreateContext failed");
    // The viewport starts as the whole pbuffer, as for any drawable a
    // context is first made current on; the picture's own comes later.
    if (!eglMakeCurrent(display, surface, surface, context)) return fail("eglMakeCurrent failed");
    return true;
}

void destroyHeadlessContext() {
    if (display != EGL_NO_DISPLAY) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        eglTerminate(display);
    }
    display = EGL_NO_DISPLAY;
    surface = EGL_NO_SURFACE;
    context = EGL_NO_CONTEXT;
}

bool headlessContextCurrent() { return context != EGL_NO_CONTEXT && eglGetCurrentContext() == context; }

const std::string& headlessGlError() { return lastError; }

std::vector<uint8_t> readFramePixels(int width, int height) {
    std::vector<uint8_t> bottomUp(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    const size_t rowBytes = size_t(width) * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(&topDown[size_t(y) * rowBytes], &bottomUp[size_t(height - 1 - y) * rowBytes], rowBytes);
    return topDown;
}
