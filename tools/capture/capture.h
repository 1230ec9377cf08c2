// SPDX-License-Identifier: MIT
// The capture behind glimmervandra-capture: the programme to video or to
// a PNG sequence with its sound.
#pragma once

#include "capture_options.h"

// Renders the programme (or the chosen range) to the output; returns the
// process exit code (0 on success) after saying what went wrong on stderr.
int runCapture(const CaptureOptions& options);
