// SPDX-License-Identifier: MIT
// glimmer-flash-count: counts the flashes of raw RGB24 frames read from
// standard input, for instance the capture decoded by ffmpeg:
//
//   ffmpeg -i show.mkv -vf scale=160:120:flags=area -f rawvideo -pix_fmt rgb24 - |
//       glimmer-flash-count 160 120 60 title=0 flower=20.5 ...
//
// It prints the most general and red flashes in any second of any tile for
// each named range (from its start to the next one's), and for the whole.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flash_counter.h"

namespace {
struct Range {
    std::string name;
    double startSeconds;
};

void printPeak(const char* name, const FlashPeak& peak, int fps) {
    std::printf("%-16s %3d general (%.2f s, tile %2d)  %3d red (%.2f s, tile %2d)\n", name, peak.general.flashes,
                double(peak.general.frame) / fps, peak.general.tile, peak.red.flashes, double(peak.red.frame) / fps,
                peak.red.tile);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: glimmer-flash-count WIDTH HEIGHT FPS [NAME=START_SECONDS...] < frames.rgb\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]), fps = std::atoi(argv[3]);
    if (width < 4 || height < 4 || fps < 1) {
        std::fprintf(stderr, "glimmer-flash-count: WIDTH and HEIGHT must be at least 4, FPS at least 1\n");
        return 2;
    }
    std::vector<Range> ranges;
    for (int i = 4; i < argc; ++i) {
        const std::string word = argv[i];
        const size_t equals = word.find('=');
        char* end = nullptr;
        const double start = equals == std::string::npos ? 0.0 : std::strtod(word.c_str() + equals + 1, &end);
        if (equals == std::string::npos || end == word.c_str() + equals + 1 || *end != '\0' || start < 0) {
            std::fprintf(stderr, "glimmer-flash-count: a range is NAME=START_SECONDS, not %s\n", argv[i]);
            return 2;
        }
        ranges.push_back({word.substr(0, equals), start});
    }

    FlashCounter counter(width, height, fps);
    std::vector<uint8_t> frame(size_t(width) * size_t(height) * 3);
    while (std::fread(frame.data(), 1, frame.size(), stdin) == frame.size()) counter.addFrame(frame.data());
    if (counter.frames() == 0) {
        std::fprintf(stderr, "glimmer-flash-count: no whole frame of %dx%d on standard input\n", width, height);
        return 1;
    }
    std::printf("%llu frames, %.2f s\n", static_cast<unsigned long long>(counter.frames()),
                double(counter.frames()) / fps);
    for (size_t i = 0; i < ranges.size(); ++i) {
        const uint64_t first = uint64_t(ranges[i].startSeconds * fps + 0.5);
        const uint64_t last =
            i + 1 < ranges.size() ? uint64_t(ranges[i + 1].startSeconds * fps + 0.5) : counter.frames();
        printPeak(ranges[i].name.c_str(), counter.worstSecond(first, last), fps);
    }
    printPeak("whole", counter.worstSecond(), fps);
    return 0;
}
