#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The desktop suite (tests/desktop/suite.sh): the built demo on Xorg with real
# mode switching, openbox, weston (Wayland and XWayland), PulseAudio and
# PipeWire. Runs after scripts/test.sh, which installs and builds; needs root
# for Xorg without a console. GLIMMER_DESKTOP_KEEP=1 keeps the grabs, logs
# and recordings of every case.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GLIMMER_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh" test
"$root/scripts/build.sh"
exec "$root/tests/desktop/suite.sh" "$build"
