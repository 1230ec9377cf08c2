#include "capture.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/headless_run.h"
#include "app/shared_state.h"
#include "app/timeline.h"
#include "media_writers.h"
#include "platform/headless_gl.h"

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Where the programme ends, as the timeline sees it now: the last row's bound
// moves by a frame when the music's second event arrives.
double programmeEndSeconds() { return timelineRowEnd(timelineRowCount, loadTimelineValues()); }

std::string minutesSeconds(double seconds) {
    char text[32];
    const int whole = int(seconds + 0.5);
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

class ProgressBar {
public:
    ProgressBar(bool enabled, double fromSeconds, double toSeconds)
        : enabled(enabled), from(fromSeconds), requestedTo(toSeconds) {}

    void update(double programmeSeconds) {
        if (!enabled) return;
        const double now = since(started);
        if (now - lastDraw < 0.1) return;
        lastDraw = now;
        draw(programmeSeconds, now);
    }

    // The last frame's bar, drawn whether or not its turn came, so that a
    // finished run ends at 100 %.
    void done(double lastSeconds) {
        if (!enabled) return;
        draw(lastSeconds, since(started));
        std::fprintf(stderr, "\n");
    }

private:
    bool enabled;
    double from, requestedTo;
    Clock::time_point started = Clock::now();
    double lastDraw = -1.0;

    void draw(double programmeSeconds, double now) {
        const double to = requestedTo > 0 ? std::min(requestedTo, programmeEndSeconds()) : programmeEndSeconds();
        const double done = std::clamp((programmeSeconds - from) / (to - from), 0.0, 1.0);
        const int width = 30;
        const int filled = int(done * width);
        std::string bar(size_t(filled), '#');
        bar.append(size_t(width - filled), '.');
        const double left = done > 0.01 ? now / done - now : 0.0;
        std::fprintf(stderr, "\r[%s] %3d%%  %s of %s  time left %s ", bar.c_str(), int(done * 100),
                     minutesSeconds(programmeSeconds).c_str(), minutesSeconds(to).c_str(),
                     done > 0.01 ? minutesSeconds(left).c_str() : "?");
    }
};

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> videoEncoderArguments(const CaptureOptions& options, const std::string& videoPath) {
    std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba",
                                     "-s", std::to_string(options.width) + "x" + std::to_string(options.height),
                                     "-r", std::to_string(options.fps), "-i", "pipe:0"};
    if (options.format == CaptureFormat::Lossless)
        args.insert(args.end(), {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0"});
    else
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "16", "-pix_fmt", "yuv420p"});
    args.push_back(videoPath);
    return args;
}

std::vector<std::string> muxArguments(const CaptureOptions& options, const std::string& videoPath,
                                      const std::string& audioPath) {
    std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-y", "-i", videoPath, "-i", audioPath,
                                     "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
    if (options.format == CaptureFormat::Lossless)
        args.insert(args.end(), {"-c:a", "flac"});
    else
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"});
    args.push_back(options.output);
    return args;
}
}  // namespace

int runCapture(const CaptureOptions& options) {
    const bool video = options.format != CaptureFormat::PngSequence;
    if (video && !ffmpegAvailable()) {
        std::fprintf(stderr,
                     "glimmervandra-capture: the ffmpeg program is needed for %s output and was not found.\n"
                     "Install it (Debian: apt-get install ffmpeg), or give a folder as output to get a PNG\n"
                     "sequence and a WAV file instead.\n",
                     options.output.c_str());
        return 1;
    }
    std::string audioPath, videoPath;
    if (video) {
        videoPath = options.output + ".video.mkv";
        audioPath = options.output + ".audio.wav";
    } else {
        if (!isDirectory(options.output) && mkdir(options.output.c_str(), 0755) != 0) {
            std::fprintf(stderr, "glimmervandra-capture: cannot create the folder %s\n", options.output.c_str());
            return 1;
        }
        audioPath = options.output + "/audio.wav";
    }

    WavWriter wav;
    if (!wav.open(audioPath)) {
        std::fprintf(stderr, "glimmervandra-capture: cannot write %s: %s\n",
                     video ? options.output.c_str() : audioPath.c_str(), std::strerror(errno));
        return 1;
    }
    // The picture and the sound are written to two files beside the output and
    // put together at the end. Unless that last step fails they go.
    auto removeIntermediates = [&]() {
        if (!video) return;
        std::remove(videoPath.c_str());
        std::remove(audioPath.c_str());
    };
    FfmpegPipe encoder;
    if (video && !encoder.start(videoEncoderArguments(options, videoPath))) {
        std::fprintf(stderr, "glimmervandra-capture: ffmpeg could not be started\n");
        wav.close();
        removeIntermediates();
        return 1;
    }

    HeadlessRunOptions run;
    run.width = options.width;
    run.height = options.height;
    run.fps = options.fps;
    run.stopAfterSeconds = options.toSeconds;
    ProgressBar progress(options.progress, options.fromSeconds, options.toSeconds);
    bool writeFailed = false;
    uint64_t written = 0;
    const auto started = Clock::now();
    double lastFrameSeconds = options.fromSeconds;

    HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
        progress.update(frame.startSeconds);
        lastFrameSeconds = frame.startSeconds + 1.0 / options.fps;
        if (frame.startSeconds + 1e-9 < options.fromSeconds) return true;
        if (options.toSeconds > 0 && frame.startSeconds >= options.toSeconds) return false;
        std::vector<uint8_t> pixels = readFramePixels(options.width, options.height);
        wav.append(frame.audio, frame.audioFrames);
        if (video) {
            if (!encoder.write(pixels.data(), pixels.size())) writeFailed = true;
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "/frame%05" PRIu64 ".png", written);
            if (!writePng(options.output + name, pixels.data(), options.width, options.height)) writeFailed = true;
        }
        ++written;
        return !writeFailed;
    });
    progress.done(lastFrameSeconds);

    bool ok = result.started && !writeFailed;
    ok = wav.close() && ok;
    if (video) ok = encoder.finish() && ok;
    if (!result.started) {
        std::fprintf(stderr, "glimmervandra-capture: %s\n", result.error.c_str());
        removeIntermediates();
        std::remove(audioPath.c_str());  // nothing was rendered: no empty sound file either
        return 1;
    }
    if (!ok) {
        std::fprintf(stderr, "glimmervandra-capture: writing the output failed (disk full, or ffmpeg stopped)\n");
        removeIntermediates();
        return 1;
    }
    if (video) {
        if (!runFfmpeg(muxArguments(options, videoPath, audioPath))) {
            std::fprintf(stderr,
                         "glimmervandra-capture: ffmpeg could not put picture and sound together; "
                         "they are kept in %s and %s\n",
                         videoPath.c_str(), audioPath.c_str());
            return 1;
        }
        removeIntermediates();
    }
    const double seconds = since(started);
    const double shown = double(written) / options.fps;
    std::fprintf(stderr, "glimmervandra-capture: wrote %" PRIu64 " frames (%.1f s of programme) to %s in %.1f s, %.2fx real time\n",
                 written, shown, options.output.c_str(), seconds, seconds > 0 ? shown / seconds : 0.0);
    return 0;
}
