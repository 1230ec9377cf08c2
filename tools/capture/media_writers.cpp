#include "media_writers.h"

#include <png.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {
void putLe(std::FILE* file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(int((value >> (8 * i)) & 0xFF), file);
}

void writeWavHeader(std::FILE* file, uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, file);
    putLe(file, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    putLe(file, 16, 4);            // fmt chunk size
    putLe(file, 1, 2);             // PCM
    putLe(file, 2, 2);             // channels
    putLe(file, 44100, 4);         // sample rate
    putLe(file, 44100 * 4, 4);     // bytes per second
    putLe(file, 4, 2);             // bytes per frame
    putLe(file, 16, 2);            // bits per sample
    std::fwrite("data", 1, 4, file);
    putLe(file, dataBytes, 4);
}

int16_t toPcm(float sample) {
    float scaled = std::round(sample * 32767.0f);
    if (scaled > 32767.0f) scaled = 32767.0f;
    if (scaled < -32768.0f) scaled = -32768.0f;
    return int16_t(scaled);
}

std::vector<char*> argumentVector(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("ffmpeg"));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

bool waitForExit(int processId) {
    int status = 0;
    while (waitpid(processId, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

bool WavWriter::open(const std::string& path) {
    file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    dataBytes = 0;
    failed = false;
    writeWavHeader(file, 0);
    return !std::ferror(file);
}

void WavWriter::append(const float* interleavedStereo, size_t frames) {
    if (!file) return;
    std::vector<uint8_t> bytes(frames * 4);
    for (size_t i = 0; i < frames * 2; ++i) {
        const uint16_t pcm = uint16_t(toPcm(interleavedStereo[i]));
        bytes[2 * i] = uint8_t(pcm & 0xFF);
        bytes[2 * i + 1] = uint8_t(pcm >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) failed = true;
    dataBytes += bytes.size();
}

bool WavWriter::close() {
    if (!file) return !failed;
    // A WAV file holds at most 4 GiB of data; 225 s of CD-quality sound is ~40 MB.
    if (std::fseek(file, 0, SEEK_SET) == 0) writeWavHeader(file, uint32_t(dataBytes));
    else failed = true;
    if (std::fclose(file) != 0) failed = true;
    file = nullptr;
    return !failed;
}

WavWriter::~WavWriter() { close(); }

bool writePng(const std::string& path, const uint8_t* rgba, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    // Fast compression: the sequence is an intermediate for an editor.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // drop the alpha byte of each RGBA pixel
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgba + size_t(y) * size_t(width) * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool ffmpegAvailable() {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string directories = path;
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        std::string candidate = directories.substr(start, end - start) + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool FfmpegPipe::start(const std::vector<std::string>& arguments) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv = argumentVector(arguments);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (failed != 0) {
        ::close(fds[1]);
        return false;
    }
    // A dying ffmpeg must show up as a failed write, not kill the capture.
    std::signal(SIGPIPE, SIG_IGN);
    input = fds[1];
    processId = pid;
    return true;
}

bool FfmpegPipe::write(const void* data, size_t bytes) {
    const char* cursor = static_cast<const char*>(data);
    while (bytes > 0) {
        ssize_t written = ::write(input, cursor, bytes);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        cursor += written;
        bytes -= size_t(written);
    }
    return true;
}

bool FfmpegPipe::finish() {
    if (input >= 0) ::close(input);
    input = -1;
    if (processId < 0) return false;
    const bool ok = waitForExit(processId);
    processId = -1;
    return ok;
}

FfmpegPipe::~FfmpegPipe() { finish(); }

bool runFfmpeg(const std::vector<std::string>& arguments) {
    std::vector<char*> argv = argumentVector(arguments);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) return false;
    return waitForExit(pid);
}
