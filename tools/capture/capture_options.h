// SPDX-License-Identifier: MIT
// Command line of glimmervandra-capture.
#pragma once

#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "state/run_state.h"

enum class CaptureFormat { Mp4, Lossless, PngSequence };

// help, version and gentle come with every program's command line.
struct CaptureOptions : CommonOptions {
    std::string output;  // file (.mp4, .mkv) or folder (PNG sequence + WAV)
    CaptureFormat format = CaptureFormat::Mp4;
    int fps = 60;
    int width = screenWidth;
    int height = screenHeight;
    double fromSeconds = 0.0;  // first second of the programme written
    double toSeconds = 0.0;    // end, not included; 0: to the end of the programme
    bool bench = false;
    bool progress = true;
};

// Parses argv; false with a message in `error` for a bad command line.
bool parseCaptureOptions(int argc, char** argv, CaptureOptions& options, std::string& error);

const char* captureUsage();

// The first frame written: the first whose start is not before --from.
uint64_t firstWrittenFrame(const CaptureOptions& options);
