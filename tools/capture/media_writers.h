// Where captured frames and sound go: WAV and PNG files written here, video
// encoded by the ffmpeg program fed through a pipe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// 16-bit PCM stereo at 44100 Hz; the sizes in the header are patched on close.
class WavWriter {
public:
    bool open(const std::string& path);
    void append(const float* interleavedStereo, size_t frames);
    bool close();  // false when a write failed
    ~WavWriter();

private:
    std::FILE* file = nullptr;
    uint64_t dataBytes = 0;
    bool failed = false;
};

// RGBA pixels, top row first.
bool writePng(const std::string& path, const uint8_t* rgba, int width, int height);

// True when an ffmpeg program can be found on PATH.
bool ffmpegAvailable();

// An ffmpeg process whose standard input receives the data written.
class FfmpegPipe {
public:
    bool start(const std::vector<std::string>& arguments);
    bool write(const void* data, size_t bytes);
    // Closes the pipe and waits; true when ffmpeg exited with status 0.
    bool finish();
    ~FfmpegPipe();

private:
    int input = -1;
    int processId = -1;
};

// Runs ffmpeg with the arguments to completion; true on exit status 0.
bool runFfmpeg(const std::vector<std::string>& arguments);
