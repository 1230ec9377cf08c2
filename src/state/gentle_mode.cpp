// SPDX-License-Identifier: MIT
#include "state/gentle_mode.h"

#include <atomic>

namespace {
// Set before the first frame; atomic only so that no reader can ever see it
// torn, whichever thread the caller chose.
std::atomic<bool> gentle{false};
}  // namespace

void setGentleMode(bool on) { gentle.store(on); }

bool gentleMode() { return gentle.load(); }
