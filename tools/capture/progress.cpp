// SPDX-License-Identifier: MIT
#include "progress.h"

#include <unistd.h>

#include <algorithm>

namespace {
constexpr int barWidth = 30;

std::string bar(double fraction) {
    const int filled = int(std::clamp(fraction, 0.0, 1.0) * barWidth);
    std::string text(size_t(filled), '#');
    text.append(size_t(barWidth - filled), '.');
    return text;
}
}  // namespace

ProgressStyle progressStyleFor(bool wanted, std::FILE* stream) {
    if (!wanted) return ProgressStyle::Silent;
    return isatty(fileno(stream)) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

std::string minutesSeconds(double seconds) {
    char text[32];
    const long whole = long(std::max(seconds, 0.0) + 0.5);
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

CaptureProgress::CaptureProgress(ProgressStyle style, double fromSeconds, double toSeconds, double estimatedEnd,
                                 std::FILE* stream)
    : style(style), from(fromSeconds), requestedTo(toSeconds), estimatedEnd(estimatedEnd), stream(stream) {}

CaptureProgress::Figures CaptureProgress::figures(const ProgressPoint& point) const {
    Figures f{0.0, 0.0, false};
    const bool endKnown = point.endSeconds >= 0.0;
    // --to is a fixed end the user chose; without it the programme's own end
    // counts, and until the music has placed the scenes that end is only an
    // estimate, never a figure read from a placeholder bound.
    if (requestedTo > 0.0)
        f.total = endKnown ? std::min(requestedTo, point.endSeconds) : requestedTo;
    else if (endKnown)
        f.total = point.endSeconds;
    else {
        f.total = estimatedEnd;
        f.totalEstimated = true;
    }
    if (f.total <= from) return f;
    f.done = std::clamp((point.seconds - from) / (f.total - from), 0.0, 1.0);
    // An estimate is never reached: past it, how far the run is is unknown.
    if (f.totalEstimated) f.done = point.seconds < f.total ? std::min(f.done, 0.99) : -1.0;
    return f;
}

void CaptureProgress::update(const ProgressPoint& point) {
    if (style == ProgressStyle::Silent) return;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (point.written && firstWrittenAt < 0.0) firstWrittenAt = now;
    if (style == ProgressStyle::Bar) {
        if (now - lastDraw < 0.1) return;
        lastDraw = now;
        drawBar(point, now);
        return;
    }
    if (!point.written) {
        if (!runUpReported)
            std::fprintf(stream,
                         "glimmervandra-capture: running up to %s (the frames before it are played, not drawn)\n",
                         minutesSeconds(from).c_str());
        runUpReported = true;
        return;
    }
    const Figures f = figures(point);
    const int tenths = f.done < 0.0 ? 0 : std::min(int(f.done * 10.0 + 1e-9), 9);
    if (tenths > tenthsReported) {
        tenthsReported = tenths;
        writeLine(point, f, now);
    }
}

void CaptureProgress::finish(const ProgressPoint& last) {
    if (style != ProgressStyle::Bar) return;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    drawBar(last, now);
    std::fputc('\n', stream);
    std::fflush(stream);
}

void CaptureProgress::drawBar(const ProgressPoint& point, double now) {
    if (!point.written) {
        std::fprintf(stream, "\r[%s] run-up %s of %s\033[K", bar(from > 0 ? point.seconds / from : 1.0).c_str(),
                     minutesSeconds(point.seconds).c_str(), minutesSeconds(from).c_str());
        std::fflush(stream);
        return;
    }
    const Figures f = figures(point);
    if (f.done < 0.0) {
        std::fprintf(stream, "\r[%s]    ?  %s, the end is not known yet\033[K", bar(0.0).c_str(),
                     minutesSeconds(point.seconds).c_str());
    } else {
        const double spent = now - firstWrittenAt;
        std::string left = "?";
        if (!f.totalEstimated && f.done > 0.01) left = minutesSeconds(spent / f.done - spent);
        std::fprintf(stream, "\r[%s] %3d%%  %s of %s%s  time left %s\033[K", bar(f.done).c_str(), int(f.done * 100),
                     minutesSeconds(point.seconds).c_str(), f.totalEstimated ? "~" : "",
                     minutesSeconds(f.total).c_str(), left.c_str());
    }
    std::fflush(stream);
}

void CaptureProgress::writeLine(const ProgressPoint& point, const Figures& f, double now) {
    std::fprintf(stream, "glimmervandra-capture: %3d %% (%s of %s%s), %.0f s so far\n", int(f.done * 100 + 1e-9),
                 minutesSeconds(point.seconds).c_str(), f.totalEstimated ? "about " : "",
                 minutesSeconds(f.total).c_str(), now);
    std::fflush(stream);
}
