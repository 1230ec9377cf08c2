// SPDX-License-Identifier: MIT
// What the capture says about its progress on stderr while it runs: on a
// terminal a bar redrawn in place, elsewhere (a log, a pipe, CI) a plain line
// at every tenth of the way, with --no-progress nothing; the summary line at
// the end is the caller's and always written.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

enum class ProgressStyle { Silent, Bar, Lines };

// Bar when `stream` is a terminal, Lines otherwise; Silent unless wanted.
ProgressStyle progressStyleFor(bool wanted, std::FILE* stream);

// "m:ss" of a time in seconds, rounded to the second.
std::string minutesSeconds(double seconds);

// Where one frame of the programme leaves the capture.
struct ProgressPoint {
    double seconds;  // programme time at the end of the frame
    bool written;    // false for the run-up before the first written frame
    // The programme's end when it is fixed; negative while the music has not
    // placed the scene programme yet.
    double endSeconds;
};

class CaptureProgress {
public:
    // fromSeconds..toSeconds is the range written; toSeconds 0 means the
    // programme's end, which is estimated as `estimatedEnd` until known.
    CaptureProgress(ProgressStyle style, double fromSeconds, double toSeconds, double estimatedEnd,
                    std::FILE* stream = stderr);

    void update(const ProgressPoint& point);
    // Ends the bar's line; the run's last point is drawn first, so that a
    // finished run ends at its real figure.
    void finish(const ProgressPoint& last);

private:
    struct Figures {
        double done;          // 0..1 of the range, or negative when not known
        double total;         // end of the range shown
        bool totalEstimated;  // total is the estimate, not the known end
    };
    Figures figures(const ProgressPoint& point) const;
    void drawBar(const ProgressPoint& point, double now);
    void writeLine(const ProgressPoint& point, const Figures& f, double now);

    ProgressStyle style;
    double from, requestedTo, estimatedEnd;
    std::FILE* stream;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    double firstWrittenAt = -1.0;  // wall seconds at the first written frame
    double lastDraw = -1.0;
    int tenthsReported = 0;
    bool runUpReported = false;
};
