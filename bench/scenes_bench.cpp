// SPDX-License-Identifier: MIT
// Frame time of each scene drawn by this program's own code on the headless
// context (640x480, Mesa llvmpipe), the level meter included, as the frame
// loop draws them. Each frame ends with glFinish so the rasteriser's work is
// counted. Prints median and 99th percentile per scene.
//
//   cd build && bench/scenes_bench [frames] [scene]
//
// scene: slide, flower, cube or morph; all by default. Run from the build
// folder, it uses the shipped data set in build/Data.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "state/run_state.h"
#include "assets/ms3d_model.h"
#include "assets/texture_bank.h"
#include "ms3d_writer.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "platform/message_box.h"
#include "scenes/cube_pyramid_scene.h"
#include "scenes/flower_scene.h"
#include "scenes/level_meter.h"
#include "scenes/morph_scene.h"
#include "scenes/slides.h"

namespace {

constexpr int width = 640, height = 480;

// A level that keeps both bars tall, as loud music does.
constexpr uint32_t busyLevel = 90u | 70u << 16;

// A closed sphere of rings x segments quads (two triangles each), standing in
// for a figure of the data set; `squash` gives a second pose of the same mesh.
Ms3dFile sphereModel(int rings, int segments, float radius, float squash) {
    Ms3dFile file;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double theta = M_PI * r / rings, phi = 2 * M_PI * s / segments;
            file.vertices.push_back({float(radius * std::sin(theta) * std::cos(phi)),
                                     float(radius * squash * std::cos(theta)),
                                     float(radius * std::sin(theta) * std::sin(phi))});
        }
    Ms3dGroupRecord group;
    group.name = "body";
    group.materialIndex = 0;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint16_t a = uint16_t(r * segments + s), b = uint16_t(r * segments + (s + 1) % segments);
            const uint16_t c = uint16_t(a + segments), d = uint16_t(b + segments);
            for (auto corners : {std::array<uint16_t, 3>{a, c, b}, std::array<uint16_t, 3>{b, c, d}}) {
                Ms3dTriangleRecord t;
                for (int k = 0; k < 3; ++k) {
                    t.vertexIndices[k] = corners[k];
                    const auto& v = file.vertices[corners[k]];
                    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) + 1e-6f;
                    t.normals[k][0] = v.x / len;
                    t.normals[k][1] = v.y / len;
                    t.normals[k][2] = v.z / len;
                }
                group.triangleIndices.push_back(uint16_t(file.triangles.size()));
                file.triangles.push_back(t);
            }
        }
    file.groups = {group};
    Ms3dMaterialRecord material;
    material.name = "skin";
    for (int k = 0; k < 3; ++k) {
        material.ambient[k] = 0.3f;
        material.diffuse[k] = 0.8f;
        material.specular[k] = 0.5f;
    }
    material.ambient[3] = material.diffuse[3] = material.specular[3] = material.emissive[3] = 1.0f;
    material.shininess = 20.0f;
    file.materials = {material};
    return file;
}

GLuint makeTexture(int w, int h, bool mipmaps) {
    std::vector<uint8_t> pixels(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t((x ^ y) & 0xff);
            p[3] = 255;
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (mipmaps) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    } else {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    return name;
}

struct Result {
    std::string name;
    double median, p99;
    double cpuMedian;  // CPU time of the whole process (all rasteriser threads)
};

double processCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(values.size() * p))];
}

// Runs `frames` frames of one scene after a short warm-up: the scene's frame,
// the meter, glFinish, the clock values advanced as the frame loop would.
Result measure(const std::string& name, int frames, const std::function<void()>& drawFrame) {
    const double interval = 1.0 / 120.0;
    std::vector<double> times, cpuTimes;
    for (int f = -20; f < frames; ++f) {
        const double cpuStart = processCpuMilliseconds();
        const auto start = std::chrono::steady_clock::now();
        drawFrame();
        drawLevelMeter(busyLevel);
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        const double cpuEnd = processCpuMilliseconds();
        frameDelta = interval;
        elapsed = elapsed.load() + interval;
        if (f < 0) continue;
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        cpuTimes.push_back(cpuEnd - cpuStart);
    }
    return {name, percentile(times, 0.5), percentile(times, 0.99), percentile(cpuTimes, 0.5)};
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    const std::string only = argc > 2 ? argv[2] : "";
    auto wanted = [&](const char* scene) { return only.empty() || only == scene; };
    if (!createHeadlessContext(width, height)) {
        std::fprintf(stderr, "no headless GL context: %s\n", headlessGlError().c_str());
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    // The shipped data set when it can be found (run from the build folder,
    // which holds Data/), else stand-in models and textures made here.
    const bool shippedData = std::filesystem::exists(resolveDataPath("data/blomma.ms3d")) &&
                             std::filesystem::exists(resolveDataPath("Data/credits.tga"));
    const std::string scratch = (std::filesystem::temp_directory_path() / "glimmer-scenes-bench").string();
    if (shippedData) {
        loadTextureBank("data/grass1.tga");
        std::printf("data: the shipped data set\n");
    } else {
        std::filesystem::create_directories(scratch + "/Data");
        writeMs3d(scratch + "/Data/blomma.ms3d", sphereModel(24, 32, 60.0f, 1.0f));
        writeMs3d(scratch + "/Data/kukstand.ms3d", sphereModel(24, 32, 40.0f, 1.6f));
        writeMs3d(scratch + "/Data/kukslak.ms3d", sphereModel(24, 32, 40.0f, 0.7f));
        setDataSearchRoots({scratch});
        textureBank[0].textureId = makeTexture(256, 256, true);
        textureBank[4].textureId = makeTexture(64, 64, false);
        textureBank[7].textureId = makeTexture(512, 256, false);
        std::printf("data: stand-in models and textures (no Data/ folder found)\n");
    }

    std::vector<Result> results;

    if (wanted("slide")) {
        beginSlideMode();
        results.push_back(measure("slide", frames, [] { drawSlide(7); }));
    }
    if (wanted("flower")) {
        beginSlideMode();
        flashLevel = 1.0f;
        rotX = rotY = 0.0f;
        setupFlowerScene();
        results.push_back(measure("flower (rippling)", frames, [] { drawFlowerFrame(); }));
        rotY = 950.0f;
        results.push_back(measure("flower (frozen)", frames, [] { drawFlowerFrame(); }));
        delete modelA;
        modelA = nullptr;
    }
    if (wanted("cube")) {
        beginSlideMode();
        setupCubePyramidScene();
        results.push_back(measure("pyramid", frames, [] {
            elapsed = 60.0;
            drawCubePyramidFrame();
        }));
        results.push_back(measure("cube", frames, [] {
            elapsed = 65.0;
            drawCubePyramidFrame();
        }));
    }
    if (wanted("morph")) {
        beginSlideMode();
        setupMorphScene();
        results.push_back(measure("morph", frames, [] { drawMorphFrame(); }));
        releaseMorphModels();
    }

    std::printf("%d frames per scene, meter included, glFinish per frame\n", frames);
    std::printf("%-20s %10s %10s %10s %12s\n", "scene", "median ms", "p99 ms", "median fps", "cpu ms/frame");
    for (const Result& r : results)
        std::printf("%-20s %10.3f %10.3f %10.0f %12.3f\n", r.name.c_str(), r.median, r.p99, 1000.0 / r.median,
                    r.cpuMedian);

    if (!shippedData) std::filesystem::remove_all(scratch);
    destroyHeadlessContext();
    return 0;
}
