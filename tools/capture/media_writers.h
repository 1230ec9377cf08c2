// SPDX-License-Identifier: MIT
// Where captured frames and sound go: WAV and PNG files written here, video
// encoded by the ffmpeg program fed through a pipe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// 16-bit PCM stereo at the sound layer's rate; the sizes in the header are patched on close.
// Each append reaches the file before it returns, so that after a failed
// one the file is cut back to the appends that succeeded: whatever happens,
// a closed file is a valid WAV of whole appends.
class WavWriter {
public:
    bool open(const std::string& path);
    // False (errno telling why) when the sound could not be written.
    bool append(const float* interleavedStereo, size_t frames);
    bool close();  // false when a write failed
    ~WavWriter();

private:
    std::FILE* file = nullptr;
    uint64_t dataBytes = 0;
    bool failed = false;
};

// BGRA pixels, rows from the bottom of the picture up, as the capture reads
// them from GL; written as an RGB picture. False (errno telling why, the
// partial file removed) on failure.
bool writePng(const std::string& path, const uint8_t* bgra, int width, int height);

// The programs run: "ffmpeg" and "ffprobe" from PATH unless tests put
// stand-ins (paths) in their place.
void setFfmpegPrograms(const std::string& ffmpeg, const std::string& ffprobe);

// True when both programs can be found (on PATH, or at their paths): ffmpeg
// encodes and joins, ffprobe checks the joined video.
bool ffmpegAvailable();

// A file name as ffmpeg must be given it to take it as a file whatever its
// characters: "take:2.mp4" is not the protocol "take", nor "-x.mp4" an option.
std::string ffmpegFilePath(const std::string& path);

// An ffmpeg process whose standard input receives the data written. It runs
// in a process group of its own, so that Ctrl-C at the terminal reaches the
// capture only, which then closes the pipe and lets ffmpeg finish its file.
class FfmpegPipe {
public:
    bool start(const std::vector<std::string>& arguments);
    bool write(const void* data, size_t bytes);
    // A picture of `rows` rows held bottom row first, written top row first.
    bool writeRowsReversed(const uint8_t* pixels, size_t rowBytes, size_t rows);
    // Closes the pipe and waits; true when ffmpeg exited with status 0.
    bool finish();
    ~FfmpegPipe();

private:
    int input = -1;
    int processId = -1;
};

// Runs ffmpeg with the arguments to completion, in a process group of its
// own; true on exit status 0.
bool runFfmpeg(const std::vector<std::string>& arguments);

// Runs ffprobe likewise; `said` receives its standard output and error.
bool runFfprobe(const std::vector<std::string>& arguments, std::string& said);

// Tests only: called right after each program is spawned, before its
// process id is registered (the moment a second Ctrl-C once missed it).
extern void (*afterSpawnForTests)(const std::vector<std::string>& arguments);
