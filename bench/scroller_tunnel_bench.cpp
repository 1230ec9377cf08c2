// SPDX-License-Identifier: MIT
// Frame times of the scroller and the tunnel at 640x480 on the headless
// context (llvmpipe without a GPU), and the time to build the outline font.
// Each frame is finished (glFinish) before the clock is read, so the figure
// is the time to render it, not to queue it. Target: 120 frames per second.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "state/clock.h"
#include "state/run_state.h"
#include "assets/procedural_textures.h"
#include "assets/texture_bank.h"
#include "platform/headless_gl.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/scroller_scene.h"
#include "scenes/tunnel_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread: the font is built on it alone, and unlike the
// wall clock this does not grow when other programs share the machine.
double threadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median, p99, worst;
};

Figures summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    size_t p99 = std::min(times.size() - 1, size_t(double(times.size()) * 0.99));
    return {times[times.size() / 2], times[p99], times.back()};
}

void report(const char* what, const Figures& f) {
    std::printf("%-28s median %7.3f ms (%6.1f fps)  p99 %7.3f ms  worst %7.3f ms  %s\n", what, f.median,
                1000.0 / f.median, f.p99, f.worst, 1000.0 / f.median >= 120.0 ? "meets 120 fps" : "BELOW 120 fps");
}

// Slot 1 stands in for the lights picture: a 256x256 colour gradient.
void fillPictureSlot() {
    TextureImage& image = textureBank[1];
    image.width = image.height = 256;
    image.bitsPerPixel = 24;
    image.format = GL_RGB;
    image.pixels.reset(new uint8_t[256 * 256 * 3]);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            uint8_t* p = &image.pixels[(y * 256 + x) * 3];
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = uint8_t(255 - x);
        }
    uploadTextureSlot(1);
}

template <typename Frame>
std::vector<double> timeFrames(int count, Frame drawFrame) {
    std::vector<double> times;
    times.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        drawFrame();
        glFinish();
        times.push_back(millisecondsSince(start));
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    if (!createHeadlessContext(screenWidth, screenHeight)) {
        std::fprintf(stderr, "no headless GL context: %s\n", headlessGlError().c_str());
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    fillPictureSlot();
    if (!buildCheckerTexture(textureBank[2]) || !buildFractalTexture(textureBank[3])) {
        std::fprintf(stderr, "generated textures could not be built\n");
        return 1;
    }
    uploadTextureSlot(2);
    uploadTextureSlot(3);

    // The font: the first build also starts fontconfig and opens the file.
    std::vector<double> builds, cpu;
    for (int i = 0; i < 21; ++i) {
        auto start = Clock::now();
        double cpuStart = threadCpuMilliseconds();
        buildOutlineFont();
        glFinish();
        builds.push_back(millisecondsSince(start));
        cpu.push_back(threadCpuMilliseconds() - cpuStart);
        deleteOutlineFont();
    }
    std::printf("outline font, 255 lists       first build %7.2f ms (fontconfig and file)\n", builds[0]);
    builds.erase(builds.begin());
    cpu.erase(cpu.begin());
    Figures font = summarise(builds), fontCpu = summarise(cpu);
    std::printf(
        "outline font, 255 lists       median %7.2f ms  worst %7.2f ms over %zu builds; "
        "thread CPU median %.2f ms\n",
        font.median, font.worst, builds.size(), fontCpu.median);

    // As in the programme: the cube and pyramid scene leaves its material.
    setupCubePyramidScene();
    drawCubePyramidFrame();
    const double frameSeconds = 1.0 / 120.0;

    resetAnimationState();
    phase = 3.0f;  // letters across the whole screen from the first frame
    setupScrollerScene();
    frameDelta = frameSeconds;
    report("scroller frame", summarise(timeFrames(frames, [] { drawScrollerFrame(); })));
    deleteOutlineFont();

    resetAnimationState();
    setupTunnelScene();
    report("tunnel frame", summarise(timeFrames(frames, [] { drawTunnelFrame(); })));

    clearTextureBank();
    destroyHeadlessContext();
    return 0;
}
