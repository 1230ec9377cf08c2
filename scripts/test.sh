#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test. Installs missing packages first.
# Tests need no display, GPU or sound card: GL runs headless on Mesa's
# software renderer and sound on SDL's dummy driver.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GLIMMER_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh" test
"$root/scripts/build.sh"
cd "$build"
# On a terminal one progress line is redrawn in place and only failures are
# shown in full; in a log every test gets a line of its own.
ctest --progress --output-on-failure --timeout 900 -j "$(nproc)"
