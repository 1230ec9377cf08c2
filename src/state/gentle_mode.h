// SPDX-License-Identifier: MIT
// The gentle show: the same programme, timings, music and scenes, with what
// flashes calmed for viewers sensitive to flashing light. The flower's flash
// becomes one slow swell of a pale colour, and the tunnel's checkerboard and
// the scroller's background are shown at lower contrast. Chosen once, before
// the run, by --gentle; off by default, when the show is drawn as always.
#pragma once

void setGentleMode(bool on);
bool gentleMode();
