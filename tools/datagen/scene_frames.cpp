// SPDX-License-Identifier: MIT
#include "scene_frames.h"

#include <GL/gl.h>

#include <cstdlib>

#include "platform/headless_gl.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/slides.h"

bool renderSolidFrames(int width, int height, const std::vector<SolidMoment>& moments, std::vector<Canvas>& frames,
                       std::string& error) {
    frames.clear();
    // A GPU driver would round differently from build to build and machine
    // to machine; the software rasteriser gives the same pixels everywhere
    // (unless the person building asks otherwise).
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    if (!createHeadlessContext(width, height)) {
        error = "no headless GL context to render the cube and pyramid: " + headlessGlError();
        return false;
    }
    // As in the programme: the slide before the scene leaves the state the
    // scene's set-up does not touch.
    beginSlideMode();
    setupCubePyramidScene();
    for (const SolidMoment& moment : moments) {
        drawCubePyramidAt(moment.elapsedSeconds, moment.spinDegrees);
        glFinish();
        std::vector<uint8_t> pixels = readFramePixels(width, height);
        Canvas frame(width, height, Colour{});
        for (size_t i = 0; i < pixels.size(); ++i) frame.rgba[i] = float(pixels[i]) / 255.0f;
        for (size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 1.0f;
        frames.push_back(std::move(frame));
    }
    GLenum problem = glGetError();
    destroyHeadlessContext();
    if (problem != GL_NO_ERROR) {
        error = "GL error " + std::to_string(problem) + " while rendering the cube and pyramid";
        frames.clear();
        return false;
    }
    return true;
}
