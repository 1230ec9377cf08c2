// SPDX-License-Identifier: MIT
#include "capture.h"

#include <GL/gl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/headless_run.h"
#include "frame_writer.h"
#include "media_writers.h"
#include "output_path.h"
#include "progress.h"
#include "stop_at_once.h"
#include "video_check.h"

namespace {
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> videoEncoderArguments(const CaptureOptions& options, const std::string& videoPath) {
    std::vector<std::string> args = {
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "rawvideo",
        "-pix_fmt",     "bgra",
        "-s",           std::to_string(options.width) + "x" + std::to_string(options.height),
        "-r",           std::to_string(options.fps),
        "-i",           "pipe:0"};
    // Every file reaches ffmpeg as a file, whatever its name.
    if (options.format == CaptureFormat::Lossless)
        args.insert(args.end(), {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0"});
    else
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "16", "-pix_fmt", "yuv420p"});
    args.push_back(ffmpegFilePath(videoPath));
    return args;
}

// The join writes a file of its own, named for neither format, so the
// container is given.
std::vector<std::string> joinArguments(const CaptureOptions& options, const VideoIntermediates& files) {
    std::vector<std::string> args = {"-hide_banner", "-loglevel",
                                     "error",        "-y",
                                     "-i",           ffmpegFilePath(files.video),
                                     "-i",           ffmpegFilePath(files.audio),
                                     "-map",         "0:v",
                                     "-map",         "1:a",
                                     "-c:v",         "copy"};
    if (options.format == CaptureFormat::Lossless)
        args.insert(args.end(), {"-c:a", "flac", "-f", "matroska"});
    else
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4"});
    args.push_back(ffmpegFilePath(files.joined));
    return args;
}

// Ctrl-C or SIGTERM ends the capture after the frame being drawn, with every
// file finished; a second one ends it at once, saying what may be left
// unfinished, and takes ffmpeg with it.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal) {
    if (stopSignal == 0) {
        stopSignal = signal;
        return;
    }
    stopAtOnce(signal);
}

class StopSignals {
public:
    explicit StopSignals(const std::string& leftOnHardStop) {
        setStopAtOnceMessage(
            "\nglimmervandra-capture: stopped at once; unfinished files may be left: " + leftOnHardStop + "\n");
        setStopAtOnceRemoves("");
        stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &savedInterrupt);
        sigaction(SIGTERM, &action, &savedTerminate);
    }
    ~StopSignals() {
        sigaction(SIGINT, &savedInterrupt, nullptr);
        sigaction(SIGTERM, &savedTerminate, nullptr);
    }
    int received() const { return stopSignal; }

private:
    struct sigaction savedInterrupt {};
    struct sigaction savedTerminate {};
};

const char* signalName(int signal) { return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal"; }

// Where the output goes: a video file made from two intermediate files
// beside it, or a folder of pictures with the sound.
struct OutputFiles {
    bool video = false;
    VideoIntermediates through;  // a video's files on the way
    std::string videoPath, audioPath;
    bool createdFolder = false;

    // Takes away what a run that wrote nothing, or could not finish its
    // files, leaves.
    void removeIntermediates() const {
        if (!video) return;
        std::remove(videoPath.c_str());
        std::remove(audioPath.c_str());
    }
    void removeEverything(const std::string& folder) const {
        removeIntermediates();
        if (video) return;
        std::remove(audioPath.c_str());
        if (createdFolder) rmdir(folder.c_str());
    }
};

int prepareOutput(const CaptureOptions& options, OutputFiles& files) {
    if (const std::string problem = outputProblem(options); !problem.empty()) {
        std::fprintf(stderr, "glimmervandra-capture: cannot write %s: %s\n", options.output.c_str(), problem.c_str());
        return 1;
    }
    files.video = options.format != CaptureFormat::PngSequence;
    if (files.video && !ffmpegAvailable()) {
        std::fprintf(stderr,
                     "glimmervandra-capture: the ffmpeg and ffprobe programs are needed for %s output and\n"
                     "were not found. Install them (Debian: apt-get install ffmpeg), or give a folder as\n"
                     "output to get a PNG sequence and a WAV file instead.\n",
                     options.output.c_str());
        return 1;
    }
    if (files.video) {
        files.through = videoIntermediates(options.output);
        files.videoPath = files.through.video;
        files.audioPath = files.through.audio;
        return 0;
    }
    if (!isDirectory(options.output)) {
        if (mkdir(options.output.c_str(), 0755) != 0) {
            std::fprintf(stderr, "glimmervandra-capture: cannot create the folder %s: %s\n", options.output.c_str(),
                         std::strerror(errno));
            return 1;
        }
        files.createdFolder = true;
    }
    files.audioPath = options.output + "/audio.wav";
    return 0;
}

// Joins the captured picture and sound into the output. The join goes to a
// file of its own that becomes the output only once it reads back whole;
// until then the picture and sound stay, and any failure names them.
// Returns 0 when the output is complete.
int joinPictureAndSound(const CaptureOptions& options, const OutputFiles& files, uint64_t frames) {
    const VideoIntermediates& through = files.through;
    const std::string kept = "the picture and sound are kept in " + through.video + " and " + through.audio;
    setStopAtOnceMessage("\nglimmervandra-capture: stopped at once while joining picture and sound; " + kept + "; " +
                         options.output + " was not written\n");
    setStopAtOnceRemoves(through.joined);

    std::string problem;
    if (!runFfmpeg(joinArguments(options, through)))
        problem = "ffmpeg failed (see its message above)";
    else if (std::string check = videoProblem(through.joined, options.format == CaptureFormat::Mp4, frames);
             !check.empty())
        problem = "ffmpeg said it succeeded, but " + check;
    else if (std::rename(through.joined.c_str(), options.output.c_str()) != 0)
        problem = "the joined video could not be named " + options.output + ": " + std::strerror(errno);
    setStopAtOnceRemoves("");
    if (!problem.empty()) {
        // Whatever the join left cannot be played: take it away, so that
        // what stays is what is named.
        std::remove(through.joined.c_str());
        std::fprintf(stderr,
                     "glimmervandra-capture: joining picture and sound into %s failed: %s. Nothing is lost: %s "
                     "(ffmpeg -i %s -i %s -c:v copy %s joins them); %s was not written\n",
                     options.output.c_str(), problem.c_str(), kept.c_str(), through.video.c_str(),
                     through.audio.c_str(), options.output.c_str(), options.output.c_str());
        return 1;
    }
    setStopAtOnceMessage("\nglimmervandra-capture: stopped at once; " + options.output + " is complete, and " +
                         through.video + " and " + through.audio + " may be left\n");
    files.removeIntermediates();
    return 0;
}

// What the summary names as written: the file, or the folder with the range
// of pictures in it.
std::string keptDescription(const CaptureOptions& options, uint64_t frames) {
    if (options.format != CaptureFormat::PngSequence) return options.output;
    return options.output + " (" + FrameWriter::pngName(0) + " to " + FrameWriter::pngName(frames - 1) +
           ", their sound in audio.wav)";
}
}  // namespace

int runCapture(const CaptureOptions& options) {
    OutputFiles files;
    if (const int failed = prepareOutput(options, files)) return failed;

    WavWriter wav;
    if (!wav.open(files.audioPath)) {
        std::fprintf(stderr, "glimmervandra-capture: cannot write %s: %s\n",
                     files.video ? options.output.c_str() : files.audioPath.c_str(), std::strerror(errno));
        files.removeEverything(options.output);
        return 1;
    }
    FfmpegPipe encoder;
    if (files.video && !encoder.start(videoEncoderArguments(options, files.videoPath))) {
        std::fprintf(stderr, "glimmervandra-capture: ffmpeg could not be started\n");
        wav.close();
        files.removeEverything(options.output);
        return 1;
    }
    StopSignals signals(files.video ? files.videoPath + " and " + files.audioPath : "in " + options.output);
    FrameWriter writer(wav, files.video ? &encoder : nullptr, options.output, options.width, options.height);

    const uint64_t firstFrame = firstWrittenFrame(options);
    HeadlessRunOptions run;
    run.width = options.width;
    run.height = options.height;
    run.fps = options.fps;
    run.stopAfterSeconds = options.toSeconds;
    run.drawFromSeconds = double(firstFrame) / double(options.fps);
    CaptureProgress progress(progressStyleFor(options.progress, stderr), options.fromSeconds, options.toSeconds,
                             programmeLengthSeconds());
    ProgressPoint last{options.fromSeconds, false, -1.0};
    uint64_t submitted = 0;
    const auto started = Clock::now();

    const HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
        const bool wanted = frame.index >= firstFrame;
        last = {frame.startSeconds + 1.0 / options.fps, wanted, frame.endKnown ? programmeEndSeconds() : -1.0};
        progress.update(last);
        if (wanted) {
            CapturedFrame& out = writer.nextFree();
            out.pixels.resize(size_t(options.width) * size_t(options.height) * 4);
            // BGRA is the software renderer's own layout: read without conversion.
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, options.width, options.height, GL_BGRA, GL_UNSIGNED_BYTE, out.pixels.data());
            out.audio.assign(frame.audio, frame.audio + frame.audioFrames * 2);
            writer.submit();
            ++submitted;
        }
        return signals.received() == 0 && !writer.failed();
    });
    progress.finish(last);

    const uint64_t written = writer.finish();
    std::string failure = writer.failure();
    if (!wav.close() && failure.empty()) failure = "finishing " + files.audioPath + " failed";
    const bool encoded = !files.video || encoder.finish();
    if (failure.empty() && !encoded) failure = "ffmpeg could not finish the video (see its message above)";

    if (!result.started) {
        std::fprintf(stderr, "glimmervandra-capture: %s\n", result.error.c_str());
        files.removeEverything(options.output);
        return 1;
    }
    const int signal = signals.received();
    if (signal != 0)
        std::fprintf(stderr, "glimmervandra-capture: stopped by %s at %s of the programme\n", signalName(signal),
                     minutesSeconds(last.seconds).c_str());
    if (!failure.empty()) std::fprintf(stderr, "glimmervandra-capture: %s\n", failure.c_str());
    if (result.end == HeadlessRunEnd::Unended)
        std::fprintf(stderr,
                     "glimmervandra-capture: the programme had not ended after %s, one pass of its music (%s) "
                     "plus the programme's %s: the music never reached the marks that start the scenes. "
                     "Stopped there; choose an end with --to SECONDS.\n",
                     minutesSeconds(result.limitSeconds).c_str(), minutesSeconds(result.moduleSeconds).c_str(),
                     minutesSeconds(programmeLengthSeconds()).c_str());

    // A video whose encoder failed cannot be trusted, and nothing at all is
    // worth keeping when no frame was written.
    if (written == 0 || (files.video && !failure.empty())) {
        files.removeEverything(options.output);
        std::fprintf(stderr, "glimmervandra-capture: nothing was kept\n");
        return signal ? 128 + signal : 1;
    }
    if (files.video && joinPictureAndSound(options, files, written) != 0) return 1;
    const double seconds = since(started);
    const double shown = double(written) / options.fps;
    const double firstSeconds = double(firstFrame) / options.fps;
    std::fprintf(stderr,
                 "glimmervandra-capture: wrote %" PRIu64
                 " frames (%.1f s of programme, %s to %s) to %s in %.1f s, "
                 "%.2fx real time\n",
                 written, shown, minutesSeconds(firstSeconds).c_str(), minutesSeconds(firstSeconds + shown).c_str(),
                 keptDescription(options, written).c_str(), seconds, seconds > 0 ? shown / seconds : 0.0);
    if (signal != 0) return 128 + signal;
    return failure.empty() && result.end != HeadlessRunEnd::Unended ? 0 : 1;
}
