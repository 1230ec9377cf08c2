// SPDX-License-Identifier: MIT
// The capture tool's writers around the headless run: what lands on disk for
// a range, and what is left when the run cannot start.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/headless_run.h"
#include "app/timeline.h"
#include "bench.h"
#include "capture.h"
#include "frame_writer.h"
#include "media_writers.h"
#include "output_path.h"
#include "platform/data_path.h"
#include "platform/headless_gl.h"
#include "support/asset_files.h"
#include "support/test_modules.h"
#include "video_check.h"

namespace {
std::set<std::string> listFolder(const std::string& path) {
    std::set<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.') names.insert(entry->d_name);
        closedir(folder);
    }
    return names;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

uint32_t bigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

off_t fileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// A WAV file is whole when its header counts exactly the bytes after it,
// and those are whole frames of the captured programme at 10 fps.
void expectWavOfFrames(const std::string& path, size_t frames) {
    const std::vector<uint8_t> wav = readBytes(path);
    ASSERT_GE(wav.size(), 44u);
    const uint32_t dataBytes =
        uint32_t(wav[40]) | uint32_t(wav[41]) << 8 | uint32_t(wav[42]) << 16 | uint32_t(wav[43]) << 24;
    EXPECT_EQ(dataBytes, frames * 4410u * 4u);
    EXPECT_EQ(wav.size(), 44u + dataBytes);
}

// Sends `signal` to this process once `path` holds at least `bytes` bytes.
std::thread signalWhenFileGrows(const std::string& path, off_t bytes, int signal) {
    return std::thread([=] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (fileSize(path) < bytes && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(getpid(), signal);
    });
}

class Capture : public ::testing::Test {
protected:
    void SetUp() override {
        setDataSearchRoots({std::string(GLIMMER_BUILD_FOLDER)});
        options.fps = 10;
        options.width = 160;
        options.height = 120;
        options.progress = false;
    }
    void TearDown() override {
        resetDataSearchRoots();
        setFfmpegPrograms("ffmpeg", "ffprobe");
        afterSpawnForTests = nullptr;
    }

    // A stand-in for ffmpeg that is the real one except at the join (the
    // call that maps the sound in), where it runs the real one and then
    // does `afterJoin` to the file written (shell; $out names it).
    void useFfmpegStandIn(const std::string& afterJoin) {
        const std::string path = scratch + "/ffmpeg-stand-in";
        std::ofstream script(path);
        script << "#!/bin/sh\n"
                  "case \" $* \" in *\" 1:a \"*) ;; *) exec ffmpeg \"$@\" ;; esac\n"
                  "ffmpeg \"$@\" || exit $?\n"
                  "for last in \"$@\"; do :; done\n"
                  "out=\"${last#file:}\"\n"
               << afterJoin << "\n";
        script.close();
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
        setFfmpegPrograms(path, "ffprobe");
    }

    // Runs the capture, keeping what it said.
    int capture() {
        testing::internal::CaptureStderr();
        const int code = runCapture(options);
        said = testing::internal::GetCapturedStderr();
        return code;
    }

    // After a failed join: the picture and the sound are there, whole, and
    // named; the output and the unchecked join are not.
    void expectPictureAndSoundKeptAndNamed(const std::string& output, size_t frames) {
        const VideoIntermediates through = videoIntermediates(output);
        EXPECT_NE(
            said.find("Nothing is lost: the picture and sound are kept in " + through.video + " and " + through.audio),
            std::string::npos)
            << said;
        EXPECT_NE(said.find(output + " was not written"), std::string::npos) << said;
        expectWavOfFrames(through.audio, frames);
        const std::string decode = "ffmpeg -v error -i 'file:" + through.video + "' -f null - 2>&1";
        EXPECT_EQ(std::system(decode.c_str()), 0) << "the kept picture does not decode";
        EXPECT_EQ(fileSize(through.joined), -1);
    }

    ScratchFolder dir;
    const std::string& scratch = dir.path();
    CaptureOptions options;
    std::string said;
};

TEST_F(Capture, AFolderGetsOnePictureAFrameAndTheSoundOfExactlyThoseFrames) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.fromSeconds = 29.5;
    options.toSeconds = 30.5;
    // Progress on, but stderr is no terminal here: a few plain lines, no
    // bar updates, and the summary last.
    options.progress = true;
    testing::internal::CaptureStderr();
    ASSERT_EQ(runCapture(options), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find('\r'), std::string::npos) << said;
    EXPECT_LE(std::count(said.begin(), said.end(), '\n'), 12) << said;
    const size_t lastLine = said.rfind('\n', said.size() - 2);
    EXPECT_EQ(said.compare(lastLine + 1, 32, "glimmervandra-capture: wrote 10 "), 0) << said;
    EXPECT_NE(said.find(" 50 % (0:30 of 0:31)"), std::string::npos) << said;

    std::set<std::string> expected{"audio.wav"};
    for (int i = 0; i < 10; ++i) expected.insert("frame0000" + std::to_string(i) + ".png");
    EXPECT_EQ(listFolder(options.output), expected);

    const std::vector<uint8_t> png = readBytes(options.output + "/frame00007.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(bigEndian32(&png[16]), 160u);
    EXPECT_EQ(bigEndian32(&png[20]), 120u);

    // Frames 295 to 304 at 10 fps: samples 295 x 4410 up to 305 x 4410,
    // 16-bit stereo after the 44-byte header.
    const std::vector<uint8_t> wav = readBytes(options.output + "/audio.wav");
    EXPECT_EQ(wav.size(), 44u + 10u * 4410u * 4u);
}

TEST_F(Capture, ARunThatCannotStartSaysWhyAndLeavesNoFilesBehind) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    setDataSearchRoots({scratch + "/nowhere"});
    options.output = scratch + "/show.mkv";
    options.format = CaptureFormat::Lossless;
    options.toSeconds = 1.0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Data/ancool2.mod"), std::string::npos) << said;
    EXPECT_NE(said.find(scratch + "/nowhere"), std::string::npos) << said;
    EXPECT_TRUE(listFolder(scratch).empty());

    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    EXPECT_EQ(runCapture(options), 1);
    EXPECT_TRUE(listFolder(scratch + "/frames").empty());
}
// At full size: the tunnel's planes leave a sliver at the horizon that keeps
// what the frames before drew there, the case a careless run-up gets wrong.
TEST_F(Capture, ALateStartDrawsFramesAndSoundByteForByteAsAWholeRun) {
    const std::vector<uint64_t> checked{500, 501, 750, 751};  // 100 s (scroller) and 150 s (tunnel) at 5 fps
    auto record = [&](double drawFrom, size_t& undrawn) {
        std::map<uint64_t, std::vector<uint8_t>> frames;
        HeadlessRunOptions run;
        run.fps = 5;
        run.drawFromSeconds = drawFrom;
        run.stopAfterSeconds = 150.4;  // frame 751 (150.2 s) is the last one run
        undrawn = 0;
        const HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
            undrawn += !frame.drawn;
            if (frame.startSeconds >= drawFrom &&
                std::find(checked.begin(), checked.end(), frame.index) != checked.end()) {
                std::vector<uint8_t> bytes = readFramePixels(640, 480);
                const auto* audio = reinterpret_cast<const uint8_t*>(frame.audio);
                bytes.insert(bytes.end(), audio, audio + frame.audioFrames * 2 * sizeof(float));
                frames[frame.index] = std::move(bytes);
            }
            return true;
        });
        EXPECT_TRUE(result.started) << result.error;
        return frames;
    };
    size_t undrawn = 0;
    const auto whole = record(0.0, undrawn);
    ASSERT_EQ(whole.size(), 4u);
    EXPECT_EQ(undrawn, 0u);
    for (const double from : {100.0, 150.0}) {
        const auto late = record(from, undrawn);
        EXPECT_GT(undrawn, 400u) << "the run-up to " << from << " s drew its frames";
        for (const auto& [index, bytes] : late) EXPECT_TRUE(bytes == whole.at(index)) << "frame " << index;
        EXPECT_EQ(late.size(), from == 100.0 ? 4u : 2u);
    }
}

// The end of a run is not included: the frame that starts exactly at it is
// the first one left out, whether that start is a whole second, a fraction
// that index / fps only rounds to (0.1 s at 30 fps), or the end of ten
// seconds after a long run-up (40 s to 50 s at 60 fps: 600 frames).
TEST_F(Capture, ARunEndsJustBeforeTheFrameThatStartsAtItsEnd) {
    struct Range {
        int fps;
        double from, to;
        uint64_t frames, fromTheStartOn;
    };
    for (const Range& range : {Range{7, 0.0, 1.0, 7, 7}, Range{30, 0.0, 0.1, 3, 3}, Range{60, 40.0, 50.0, 3000, 600}}) {
        HeadlessRunOptions run;
        run.fps = range.fps;
        run.width = 64;
        run.height = 48;
        run.drawFromSeconds = range.from;
        run.stopAfterSeconds = range.to;
        uint64_t fromTheStartOn = 0;
        double lastStart = -1.0;
        const HeadlessRunResult result = runHeadlessProgramme(run, [&](const HeadlessFrame& frame) {
            fromTheStartOn += frame.startSeconds >= range.from;
            lastStart = frame.startSeconds;
            return true;
        });
        ASSERT_TRUE(result.started) << result.error;
        EXPECT_EQ(result.end, HeadlessRunEnd::Caller) << range.fps << " fps";
        EXPECT_EQ(result.frames, range.frames) << range.fps << " fps";
        EXPECT_EQ(fromTheStartOn, range.fromTheStartOn) << range.fps << " fps";
        EXPECT_LT(lastStart, range.to) << range.fps << " fps";
        EXPECT_GT(lastStart + 1.0 / range.fps, range.to - 1e-9) << range.fps << " fps";
    }
}

TEST_F(Capture, AnInterruptedCaptureFinishesItsFilesAndSaysWhatItKept) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.toSeconds = 200.0;
    std::thread interrupt = signalWhenFileGrows(options.output + "/audio.wav", 44 + 5 * 4410 * 4, SIGINT);
    testing::internal::CaptureStderr();
    const int code = runCapture(options);
    const std::string said = testing::internal::GetCapturedStderr();
    interrupt.join();
    EXPECT_EQ(code, 128 + SIGINT);
    EXPECT_NE(said.find("stopped by SIGINT"), std::string::npos) << said;

    // Every picture whole, and the sound of exactly those pictures.
    std::set<std::string> names = listFolder(options.output);
    ASSERT_TRUE(names.erase("audio.wav"));
    ASSERT_GE(names.size(), 5u);
    EXPECT_NE(said.find("frame00000.png to " + *names.rbegin()), std::string::npos) << said;
    EXPECT_EQ(*names.rbegin(), FrameWriter::pngName(names.size() - 1));
    const std::vector<uint8_t> lastPng = readBytes(options.output + "/" + *names.rbegin());
    ASSERT_GT(lastPng.size(), 12u);
    EXPECT_EQ(std::string(lastPng.end() - 8, lastPng.end() - 4), "IEND");
    expectWavOfFrames(options.output + "/audio.wav", names.size());

    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.output = scratch + "/show.mkv";
    options.format = CaptureFormat::Lossless;
    interrupt = signalWhenFileGrows(options.output + ".audio.wav", 44 + 5 * 4410 * 4, SIGTERM);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 128 + SIGTERM);
    testing::internal::GetCapturedStderr();
    interrupt.join();
    EXPECT_FALSE(listFolder(scratch).count("show.mkv.video.mkv"));
    EXPECT_FALSE(listFolder(scratch).count("show.mkv.audio.wav"));
    const std::string check = "ffmpeg -v error -i '" + options.output + "' -f null - 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << "the kept video does not decode";
}

TEST_F(Capture, AFullDiskStopsTheCaptureKeepingTheWholeFramesBeforeIt) {
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.toSeconds = 2.0;
    ASSERT_EQ(mkdir(options.output.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/full", (options.output + "/frame00003.png").c_str()), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("frame00003.png failed: No space left on device"), std::string::npos) << said;
    EXPECT_NE(said.find("wrote 3 frames"), std::string::npos) << said;
    EXPECT_EQ(listFolder(options.output),
              (std::set<std::string>{"audio.wav", "frame00000.png", "frame00001.png", "frame00002.png"}));
    expectWavOfFrames(options.output + "/audio.wav", 3);
}

// A module that never reaches the marks keeps the title for ever; the
// capture ends after one pass of it plus the programme's length.
TEST_F(Capture, AProgrammeThatNeverEndsIsCutAfterItsBoundWithTheReasonGiven) {
    ScratchFolder data;
    writeModule(data, "Data/ancool2.mod", emptyModule(1));  // 64 rows at speed 6, tempo 125: 7.68 s
    setDataSearchRoots({data.path(), std::string(GLIMMER_BUILD_FOLDER)});
    options.output = scratch + "/frames";
    options.format = CaptureFormat::PngSequence;
    options.fps = 1;
    options.width = 16;
    options.height = 12;
    options.progress = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runCapture(options), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("had not ended after 3:53"), std::string::npos) << said;
    EXPECT_NE(said.find("--to"), std::string::npos) << said;
    EXPECT_EQ(said.find("100 %"), std::string::npos) << said;
    EXPECT_EQ(listFolder(options.output).size(), 233u + 1u);  // frames 0..232 and the sound
}

TEST_F(Capture, BenchChargesEachSceneSetUpToItsRowAndPutsTheProgrammeBack) {
    options.fps = 2;
    options.width = 16;
    options.height = 12;
    const Programme before = currentProgramme();
    testing::internal::CaptureStdout();
    ASSERT_EQ(runBench(options), 0);
    const std::string table = testing::internal::GetCapturedStdout();

    // Rows with a scene set-up (3, 5, 7, 9, 11) show a figure in the last
    // column; the programme runs with its own operations again afterwards.
    for (const char* row : {"flower", "cube/pyramid", "scroller", "tunnel", "morph"}) {
        const size_t line = table.find(row);
        ASSERT_NE(line, std::string::npos) << table;
        const std::string text = table.substr(line, table.find('\n', line) - line);
        EXPECT_NE(text.back(), '-') << text;
    }
    for (int row = 1; row <= timelineRowCount(); ++row) {
        const Scene& now = timelineRow(row).scene;
        const Scene& was = before.rows[size_t(row - 1)].scene;
        EXPECT_EQ(now.setUp.target_type(), was.setUp.target_type()) << row;
        EXPECT_EQ(now.tearDown.target_type(), was.tearDown.target_type()) << row;
    }
}
// ffmpeg's exit code is not believed: a join that "succeeds" with half a
// file, or fails after writing part of one, leaves the picture and the sound
// as they were captured, named, and a file of the output's name that was
// there before untouched; exit code 1.
TEST_F(Capture, AJoinIsCheckedBeforeAnythingIsDeletedAndAFailedOneLosesNothing) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.fromSeconds = 40.0;
    options.toSeconds = 41.0;
    const char* halve = "truncate -s $(( $(stat -c %s \"$out\") / 2 )) \"$out\"";
    for (const auto& [format, name] :
         {std::pair{CaptureFormat::Mp4, "show.mp4"}, {CaptureFormat::Lossless, "show.mkv"}}) {
        options.format = format;
        options.output = scratch + "/" + name;
        dir.write(name, {'o', 'l', 'd'});
        for (const std::string ending : {"exit 0", "exit 1"}) {
            useFfmpegStandIn(std::string(halve) + "; " + ending);
            EXPECT_EQ(capture(), 1) << name << " " << ending;
            EXPECT_NE(said.find(ending == "exit 0" ? "ffmpeg said it succeeded, but" : "ffmpeg failed"),
                      std::string::npos)
                << said;
            EXPECT_EQ(said.find("wrote 10 frames"), std::string::npos) << said;
            expectPictureAndSoundKeptAndNamed(options.output, 10);
            EXPECT_EQ(readBytes(options.output), (std::vector<uint8_t>{'o', 'l', 'd'}));
        }
    }

    // With the real ffmpeg the same run is whole, and only the output stays
    // of it (the MP4's picture and sound are still kept from above).
    setFfmpegPrograms("ffmpeg", "ffprobe");
    ASSERT_EQ(capture(), 0) << said;
    EXPECT_EQ(listFolder(scratch), (std::set<std::string>{"ffmpeg-stand-in", "show.mkv", "show.mp4",
                                                          "show.mp4.audio.wav", "show.mp4.video.mkv"}));
    EXPECT_EQ(videoProblem(options.output, false, 10), "");
    EXPECT_NE(videoProblem(options.output, false, 11), "") << "a frame short is not whole";
}

// What the check catches that ffprobe alone lets through: an MP4 a few bytes
// short reads back every packet without a complaint.
TEST_F(Capture, AVideoCutShortByAFewBytesIsNotWhole) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.toSeconds = 1.0;
    for (const auto& [format, name] :
         {std::pair{CaptureFormat::Mp4, "show.mp4"}, {CaptureFormat::Lossless, "show.mkv"}}) {
        options.format = format;
        options.output = scratch + "/" + name;
        ASSERT_EQ(capture(), 0) << said;
        const bool mp4 = format == CaptureFormat::Mp4;
        EXPECT_EQ(videoProblem(options.output, mp4, 10), "") << name;
        const std::vector<uint8_t> whole = readBytes(options.output);
        for (const size_t cut : {size_t(100), whole.size() / 2}) {
            dir.write("cut", std::vector<uint8_t>(whole.begin(), whole.end() - long(cut)));
            EXPECT_NE(videoProblem(scratch + "/cut", mp4, 10), "") << name << " cut by " << cut;
        }
    }
    EXPECT_EQ(mp4BoxProblem(scratch + "/show.mp4"), "");
    EXPECT_NE(mp4BoxProblem(scratch + "/show.mkv"), "");
}

// A full disk during the join: ffmpeg 5.1 exits 0 without the MP4's end. On
// a small tmpfs with room for the picture and sound but not for the joined
// file, the capture says so, keeps both, and exits 1.
TEST_F(Capture, AFullDiskDuringTheJoinKeepsPictureAndSound) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.format = CaptureFormat::Mp4;
    options.fromSeconds = 40.0;
    options.toSeconds = 50.0;
    // First the sizes of the picture and the sound, kept by a join that fails.
    options.output = scratch + "/sizes.mp4";
    useFfmpegStandIn("exit 1");
    ASSERT_EQ(capture(), 1) << said;
    const VideoIntermediates sizes = videoIntermediates(options.output);
    const off_t page = 4096;
    auto pages = [&](off_t bytes) { return (bytes + page - 1) / page * page; };
    const off_t room = pages(fileSize(sizes.video)) + pages(fileSize(sizes.audio)) + 4 * page;
    setFfmpegPrograms("ffmpeg", "ffprobe");

    const std::string disk = scratch + "/disk";
    ASSERT_EQ(mkdir(disk.c_str(), 0755), 0);
    const std::string size = "size=" + std::to_string(room);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, size.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs for the full disk (" << std::strerror(errno)
                     << "): this test needs root, as in CI";
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};

    options.output = disk + "/v.mp4";
    EXPECT_EQ(capture(), 1) << said;
    EXPECT_EQ(said.find("wrote 100 frames"), std::string::npos) << said;
    EXPECT_NE(said.find("joining picture and sound into " + options.output + " failed"), std::string::npos) << said;
    expectPictureAndSoundKeptAndNamed(options.output, 100);
    // The same picture as before (Matroska gives every file an id of its own).
    EXPECT_EQ(fileSize(videoIntermediates(options.output).video), fileSize(sizes.video));
    EXPECT_EQ(listFolder(disk), (std::set<std::string>{"v.mp4.audio.wav", "v.mp4.video.mkv"}));
}

// A second Ctrl-C just as the join's ffmpeg starts, before its process id
// is known (a test hook holds the capture there for 300 ms): ffmpeg goes
// with the capture, nothing of it is left running or writing, and the last
// words say what is on disk.
TEST_F(Capture, ASecondStopWhileTheJoinStartsLeavesNoFfmpegBehind) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    options.format = CaptureFormat::Lossless;
    options.output = scratch + "/show.mkv";
    options.toSeconds = 1.0;
    const std::string saidPath = scratch + "/said.txt";
    // Orphans of the capture become this process's children, to be seen.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const pid_t capturing = fork();
    ASSERT_GE(capturing, 0);
    if (capturing == 0) {
        const int out = open(saidPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDERR_FILENO);
        afterSpawnForTests = [](const std::vector<std::string>& arguments) {
            if (std::find(arguments.begin(), arguments.end(), "1:a") == arguments.end()) return;
            kill(getpid(), SIGINT);
            kill(getpid(), SIGINT);
            usleep(300 * 1000);
        };
        _exit(runCapture(options));
    }
    int status = 0;
    ASSERT_EQ(waitpid(capturing, &status, 0), capturing);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    // Long enough for a join of one second to have finished.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const pid_t left = waitpid(-1, &status, WNOHANG);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_EQ(left, -1) << "a child of the capture outlived it";

    const std::vector<uint8_t> lastWords = readBytes(saidPath);
    said.assign(lastWords.begin(), lastWords.end());
    const VideoIntermediates through = videoIntermediates(options.output);
    EXPECT_NE(said.find("stopped at once while joining picture and sound; the picture and sound are kept in " +
                        through.video + " and " + through.audio + "; " + options.output + " was not written"),
              std::string::npos)
        << said;
    EXPECT_EQ(listFolder(scratch), (std::set<std::string>{"said.txt", "show.mkv.audio.wav", "show.mkv.video.mkv"}));
    expectWavOfFrames(through.audio, 10);
}

// Names ffmpeg would read as a protocol ("take:") or an option ("-x") reach
// it as files; outputs that cannot be written are refused before a frame is
// drawn.
TEST_F(Capture, OutputNamesAreFilesAndImpossibleOutputsAreRefusedFirst) {
    if (!ffmpegAvailable()) GTEST_SKIP() << "ffmpeg is not installed";
    char here[PATH_MAX];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(scratch.c_str()), 0);
    options.toSeconds = 0.5;
    for (const char* name : {"take:2.mp4", "-x.mp4", "a b'c.mkv"}) {
        options.output = name;
        options.format = std::string(name).back() == '4' ? CaptureFormat::Mp4 : CaptureFormat::Lossless;
        EXPECT_EQ(capture(), 0) << name << ": " << said;
        EXPECT_EQ(videoProblem(name, options.format == CaptureFormat::Mp4, 5), "") << name;
    }
    EXPECT_EQ(listFolder("."), (std::set<std::string>{"-x.mp4", "a b'c.mkv", "take:2.mp4"}));

    // A folder where the video should go, a file where the folder of
    // pictures should go, a folder that does not exist: refused at once.
    ASSERT_EQ(mkdir("dir.mp4", 0755), 0);
    dir.write("taken", {1});
    ASSERT_EQ(mkdir("show.mp4.audio.wav", 0755), 0);
    const std::vector<std::tuple<std::string, CaptureFormat, std::string>> refused{
        {"dir.mp4", CaptureFormat::Mp4, "dir.mp4 is a folder"},
        {"taken", CaptureFormat::PngSequence, "taken exists and is not a folder"},
        {"absent/show.mkv", CaptureFormat::Lossless, "the folder absent cannot be used"},
        {"absent/frames", CaptureFormat::PngSequence, "the folder absent cannot be used"},
        {"show.mp4", CaptureFormat::Mp4, "show.mp4.audio.wav is a folder"}};
    for (const auto& [name, format, reason] : refused) {
        options.output = name;
        options.format = format;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(capture(), 1) << name;
        EXPECT_NE(said.find("cannot write " + name + ": " + reason), std::string::npos) << said;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << name << " rendered first";
    }
    EXPECT_EQ(listFolder("."),
              (std::set<std::string>{"-x.mp4", "a b'c.mkv", "dir.mp4", "show.mp4.audio.wav", "take:2.mp4", "taken"}));
    EXPECT_TRUE(listFolder("dir.mp4").empty());
    ASSERT_EQ(chdir(here), 0);
}

}  // namespace
