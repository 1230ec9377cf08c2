// SPDX-License-Identifier: MIT
#include "capture_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/headless_run.h"

namespace {
bool endsWith(const std::string& text, const char* suffix) {
    const size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

// A finite number written out in full: "nan", "inf" and values too large
// for a double (1e400) are refused like any other text.
bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

bool parseSize(const char* text, int& width, int& height) {
    char* end = nullptr;
    long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < 16 || h < 12 || w > 8192 || h > 8192) return false;
    width = int(w);
    height = int(h);
    return true;
}
}  // namespace

const char* captureUsage() {
    static const std::string text =
        std::string(
            "usage: glimmervandra-capture -o OUTPUT [options]\n"
            "       glimmervandra-capture --bench [--fps N] [--size WxH] [--gentle]\n"
            "\n"
            "Renders the Glimmervandra programme, title to credits, with its music,\n"
            "frame-exactly and without a display, GPU or sound card.\n"
            "\n"
            "  -o, --output PATH   show.mp4: H.264 + AAC (needs ffmpeg)\n"
            "                      show.mkv: lossless FFV1 + FLAC (needs ffmpeg)\n"
            "                      a folder: PNG sequence frame00000.png... + audio.wav\n"
            "  --fps N             frames per second (default 60)\n"
            "  --size WxH          picture size, 4:3 (default 640x480, e.g. 1440x1080)\n"
            "  --from SECONDS      first second written (default 0); the frames before it\n"
            "                      are played but not drawn, so a late start is quick\n"
            "  --to SECONDS        end of the capture, not included: the frames that start\n"
            "                      before it are written (--from 40 --to 50 at 60 fps: 600\n"
            "                      frames); default: the end of the programme, about 225\n"
            "                      (a capture whose music never starts the scenes stops\n"
            "                      after one pass of the module plus 225 s)\n"
            "  --no-progress       no progress on stderr, only the closing summary (without\n"
            "                      a terminal progress is a line at every tenth of the way)\n"
            "  --bench             print frame times per timeline row and start-up times\n") +
        commonOptionsHelp();
    return text.c_str();
}

uint64_t firstWrittenFrame(const CaptureOptions& options) {
    return firstFrameAtOrAfter(options.fromSeconds, options.fps);
}

bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options, std::string& error) {
    enum Own { output, fps, size, from, to, noProgress, bench };
    const std::vector<OptionDefinition> own = {{"output", 'o', true}, {"fps", 0, true}, {"size", 0, true},
                                               {"from", 0, true},     {"to", 0, true},  {"no-progress", 0, false},
                                               {"bench", 0, false}};
    const double length = programmeLengthSeconds();
    auto take = [&](size_t option, const char* text, std::string& message) {
        double number = 0.0;
        switch (option) {
            case output: options.output = text; return true;
            case noProgress: options.progress = false; return true;
            case bench: options.bench = true; return true;
            case fps:
                if (!parseNumber(text, number) || number < 1 || number > 1000 || number != int(number)) {
                    message = "--fps takes a whole number from 1 to 1000";
                    return false;
                }
                options.fps = int(number);
                return true;
            case size:
                if (!parseSize(text, options.width, options.height)) {
                    message = "--size takes WIDTHxHEIGHT, e.g. 1440x1080";
                    return false;
                }
                if (options.width * 3 != options.height * 4) {
                    message = "--size must be 4:3 (the programme is composed for 640x480)";
                    return false;
                }
                return true;
            case from:
            case to: {
                // The programme runs from 0 to its length: --from must lie
                // before the end, --to may be the end itself.
                const bool isFrom = option == from;
                const bool read = parseNumber(text, number);
                if (!read || !(isFrom ? number >= 0 && number < length : number > 0 && number <= length)) {
                    char range[128];
                    std::snprintf(range, sizeof range, "%s takes a number of seconds %s %g (the programme's length)",
                                  isFrom ? "--from" : "--to",
                                  isFrom ? "from 0 up to, not including," : "above 0 and at most", length);
                    message = range;
                    return false;
                }
                (isFrom ? options.fromSeconds : options.toSeconds) = number;
                return true;
            }
            default: return false;
        }
    };
    if (!parseCommandLine(argc, argv, own, options, take, error)) return false;
    if (options.help || options.version || options.bench) return true;
    if (options.output.empty()) {
        error = "no output given (-o show.mp4)";
        return false;
    }
    if (options.toSeconds > 0 && options.toSeconds <= options.fromSeconds) {
        error = "--to must lie after --from";
        return false;
    }
    if (options.toSeconds > 0 && double(firstWrittenFrame(options)) / options.fps >= options.toSeconds) {
        error = "no frame starts between --from and --to at " + std::to_string(options.fps) + " fps";
        return false;
    }
    if (endsWith(options.output, ".mp4"))
        options.format = CaptureFormat::Mp4;
    else if (endsWith(options.output, ".mkv"))
        options.format = CaptureFormat::Lossless;
    else if (endsWith(options.output, "/") ||
             options.output.substr(options.output.rfind('/') == std::string::npos ? 0 : options.output.rfind('/') + 1)
                     .find('.') == std::string::npos)
        options.format = CaptureFormat::PngSequence;
    else {
        error = "output must end in .mp4 or .mkv, or name a folder for a PNG sequence";
        return false;
    }
    if (options.format != CaptureFormat::PngSequence && (options.width % 2 || options.height % 2)) {
        error = "video needs an even width and height";
        return false;
    }
    return true;
}
