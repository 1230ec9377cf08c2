// SPDX-License-Identifier: MIT
// Helpers for the asset tests: pictures and models are written by the tests
// themselves into a scratch folder, never taken from a data set.
#pragma once

#include "support/scratch_folder.h"

// The number of file descriptors the process has open (to prove that every
// path of a loader closes its file).
int openFileDescriptorCount();
