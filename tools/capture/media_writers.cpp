// SPDX-License-Identifier: MIT
#include "media_writers.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/pcm.h"
#include "platform/sound.h"
#include "stop_at_once.h"

extern char** environ;

void (*afterSpawnForTests)(const std::vector<std::string>& arguments) = nullptr;

namespace {
std::string ffmpegProgramName = "ffmpeg";
std::string ffprobeProgramName = "ffprobe";

void putLe(std::FILE* file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(int((value >> (8 * i)) & 0xFF), file);
}

void writeWavHeader(std::FILE* file, uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, file);
    putLe(file, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    putLe(file, 16, 4);                   // fmt chunk size
    putLe(file, 1, 2);                    // PCM
    putLe(file, 2, 2);                    // channels
    putLe(file, soundSampleRate, 4);      // sample rate
    putLe(file, soundSampleRate * 4, 4);  // bytes per second
    putLe(file, 4, 2);                    // bytes per frame
    putLe(file, 16, 2);                   // bits per sample
    std::fwrite("data", 1, 4, file);
    putLe(file, dataBytes, 4);
}

std::vector<char*> argumentVector(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Waits for the child started last and forgets it; true on exit status 0.
bool waitForExit(int processId) {
    int status = 0;
    bool reaped = true;
    while (waitpid(processId, &status, 0) < 0) {
        if (errno == EINTR) continue;
        reaped = false;
        break;
    }
    childEnded();
    return reaped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

bool WavWriter::append(const float* interleavedStereo, size_t frames) {
    if (!file || failed) return false;
    std::vector<uint8_t> bytes(frames * 4);
    for (size_t i = 0; i < frames * 2; ++i) {
        const uint16_t pcm = uint16_t(pcmFromFloat(interleavedStereo[i]));
        bytes[2 * i] = uint8_t(pcm & 0xFF);
        bytes[2 * i + 1] = uint8_t(pcm >> 8);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0) {
        dataBytes += bytes.size();
        return true;
    }
    // Cut the file back to the whole appends before this one; the header is
    // patched to them on close.
    const int reason = errno;
    failed = true;
    std::clearerr(file);
    // Should even the cut fail, the header still counts only whole appends.
    if (ftruncate(fileno(file), off_t(44 + dataBytes)) != 0) errno = reason;
    errno = reason;
    return false;
}

bool WavWriter::close() {
    if (!file) return !failed;
    // A WAV file holds at most 4 GiB of data; 225 s of CD-quality sound is ~40 MB.
    // The header overwrites bytes already on disk, so a full disk lets it through.
    const bool headerWritten =
        std::fseek(file, 0, SEEK_SET) == 0 && (writeWavHeader(file, uint32_t(dataBytes)), std::fflush(file) == 0);
    if (!headerWritten) failed = true;
    if (std::fclose(file) != 0) failed = true;
    file = nullptr;
    return !failed;
}

WavWriter::~WavWriter() { close(); }

bool writePng(const std::string& path, const uint8_t* bgra, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        const int reason = errno;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::remove(path.c_str());
        errno = reason;
        return false;
    }
    png_init_io(png, file);
    // Fast compression: the sequence is an intermediate for an editor.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // drop the alpha byte of each pixel
    const size_t rowBytes = size_t(width) * 4;
    for (int y = height - 1; y >= 0; --y) png_write_row(png, const_cast<png_bytep>(bgra + size_t(y) * rowBytes));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    // The data reach the disk at the flush: that is where a full disk shows.
    const bool flushed = std::fflush(file) == 0;
    const int reason = errno;
    const bool closed = std::fclose(file) == 0;
    if (flushed && closed) return true;
    std::remove(path.c_str());
    errno = flushed ? errno : reason;
    return false;
}

void setFfmpegPrograms(const std::string& ffmpeg, const std::string& ffprobe) {
    ffmpegProgramName = ffmpeg;
    ffprobeProgramName = ffprobe;
}

namespace {
// True when `program` (a path, or a name looked up on PATH) can be run.
bool programFound(const std::string& program) {
    if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string directories = path;
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        std::string candidate = directories.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}
}  // namespace

bool ffmpegAvailable() { return programFound(ffmpegProgramName) && programFound(ffprobeProgramName); }

std::string ffmpegFilePath(const std::string& path) { return "file:" + path; }

namespace {
// Starts a program of the ffmpeg family in a new process group, its standard
// input from `input` and its standard output and error to `output` when
// given. The child is registered before a second Ctrl-C can miss it.
bool spawnProgram(const std::string& program, const std::vector<std::string>& arguments, int input, int output,
                  int closeInChild, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    }
    if (closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, closeInChild);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv = argumentVector(program, arguments);
    childStarting();
    const int failed = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    if (afterSpawnForTests) afterSpawnForTests(arguments);
    childStarted(failed == 0 ? pid : -1);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0;
}

bool spawnFfmpeg(const std::vector<std::string>& arguments, int input, int closeInChild, pid_t& pid) {
    return spawnProgram(ffmpegProgramName, arguments, input, -1, closeInChild, pid);
}
}  // namespace

bool FfmpegPipe::start(const std::vector<std::string>& arguments) {
    int fds[2];
    // Close-on-exec, so that no later child holds the pipe open; the copy
    // made the child's standard input stays open.
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_t pid = -1;
    const bool spawned = spawnFfmpeg(arguments, fds[0], fds[1], pid);
    ::close(fds[0]);
    if (!spawned) {
        ::close(fds[1]);
        return false;
    }
    // A dying ffmpeg must show up as a failed write, not kill the capture.
    std::signal(SIGPIPE, SIG_IGN);
    // A large picture passes in fewer, larger steps through a wider pipe.
    fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
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

bool FfmpegPipe::writeRowsReversed(const uint8_t* pixels, size_t rowBytes, size_t rows) {
    // Gathered writes of up to 64 rows at a time, each taken from the bottom
    // of what is left.
    constexpr size_t batch = 64;
    iovec pieces[batch];
    size_t next = rows;  // rows [0, next) still to send, the last one first
    while (next > 0) {
        const size_t count = std::min(batch, next);
        for (size_t i = 0; i < count; ++i) {
            pieces[i].iov_base = const_cast<uint8_t*>(pixels + (next - 1 - i) * rowBytes);
            pieces[i].iov_len = rowBytes;
        }
        size_t first = 0;
        while (first < count) {
            ssize_t written = ::writev(input, pieces + first, int(count - first));
            if (written < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            // Step over the pieces sent whole; shorten the one sent in part.
            size_t sent = size_t(written);
            while (first < count && sent >= pieces[first].iov_len) sent -= pieces[first++].iov_len;
            if (first < count) {
                pieces[first].iov_base = static_cast<char*>(pieces[first].iov_base) + sent;
                pieces[first].iov_len -= sent;
            }
        }
        next -= count;
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
    pid_t pid = -1;
    if (!spawnFfmpeg(arguments, -1, -1, pid)) return false;
    return waitForExit(pid);
}

bool runFfprobe(const std::vector<std::string>& arguments, std::string& said) {
    said.clear();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_t pid = -1;
    const bool spawned = spawnProgram(ffprobeProgramName, arguments, -1, fds[1], fds[0], pid);
    ::close(fds[1]);
    if (spawned) {
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::read(fds[0], chunk, sizeof chunk);
            if (got > 0) {
                said.append(chunk, size_t(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
    }
    ::close(fds[0]);
    return spawned && waitForExit(pid);
}
