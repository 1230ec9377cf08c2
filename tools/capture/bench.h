// SPDX-License-Identifier: MIT
// The benchmark behind `glimmervandra-capture --bench`.
#pragma once

#include "capture_options.h"

// Runs the whole programme headless and prints, per timeline row, its frame
// times and what its one-time set-up or tear-down cost, then the start-up
// breakdown. Returns the process exit code.
int runBench(const CaptureOptions& options);
