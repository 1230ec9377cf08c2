// The capture and the benchmark behind glimmervandra-capture.
#pragma once

#include "capture_options.h"

// Renders the programme (or the chosen range) to the output; returns the
// process exit code (0 on success) after saying what went wrong on stderr.
int runCapture(const CaptureOptions& options);

// Prints frame times per timeline row and the start-up breakdown.
int runBench(const CaptureOptions& options);
