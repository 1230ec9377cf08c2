// SPDX-License-Identifier: MIT
#include "frame_writer.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

FrameWriter::FrameWriter(WavWriter& wav, FfmpegPipe* encoder, std::string pngFolder, int width, int height)
    : wav(wav), encoder(encoder), pngFolder(std::move(pngFolder)), width(width), height(height) {
    thread = std::thread(&FrameWriter::writeLoop, this);
}

FrameWriter::~FrameWriter() { finish(); }

std::string FrameWriter::pngName(uint64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame%05" PRIu64 ".png", frame);
    return name;
}

CapturedFrame& FrameWriter::nextFree() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return queued < slotCount; });
    return slots[(firstQueued + queued) % slotCount];
}

void FrameWriter::submit() {
    {
        std::lock_guard<std::mutex> guard(lock);
        ++queued;
    }
    changed.notify_all();
}

bool FrameWriter::failed() {
    std::lock_guard<std::mutex> guard(lock);
    return hasFailed;
}

std::string FrameWriter::failure() {
    std::lock_guard<std::mutex> guard(lock);
    return failureText;
}

uint64_t FrameWriter::finish() {
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
    return written;
}

void FrameWriter::writeLoop() {
    for (;;) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return queued > 0 || closing; });
        if (queued == 0) return;  // closing, and everything written
        CapturedFrame& frame = slots[firstQueued];
        const bool skip = hasFailed;
        guard.unlock();

        const bool ok = skip || writeOne(frame);

        guard.lock();
        if (!ok) hasFailed = true;
        firstQueued = (firstQueued + 1) % slotCount;
        --queued;
        guard.unlock();
        changed.notify_all();
    }
}

// The picture first, then its sound: when the sound cannot be written the
// picture is taken back, so that what stays is always pictures with exactly
// their sound.
bool FrameWriter::writeOne(const CapturedFrame& frame) {
    const size_t rowBytes = size_t(width) * 4;
    std::string reason;
    if (encoder) {
        if (!encoder->writeRowsReversed(frame.pixels.data(), rowBytes, size_t(height)))
            reason = "ffmpeg stopped taking the picture (see its message above)";
    } else {
        const std::string path = pngFolder + "/" + pngName(written);
        if (!writePng(path, frame.pixels.data(), width, height))
            reason = "writing " + path + " failed: " + std::strerror(errno);
        else if (!wav.append(frame.audio.data(), frame.audio.size() / 2)) {
            reason = "writing the sound failed: " + std::string(std::strerror(errno));
            std::remove(path.c_str());
        }
    }
    if (reason.empty() && encoder && !wav.append(frame.audio.data(), frame.audio.size() / 2))
        reason = "writing the sound failed: " + std::string(std::strerror(errno));
    if (!reason.empty()) {
        std::lock_guard<std::mutex> guard(lock);
        failureText = reason;
        return false;
    }
    ++written;
    return true;
}
