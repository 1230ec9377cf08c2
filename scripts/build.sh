#!/usr/bin/env bash
# Installs missing packages, configures the build folder and builds the named
# targets (everything when none is named). The folder is GLIMMER_BUILD_DIR,
# or build/ beside the sources. Shared by the scripts that need a build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${GLIMMER_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" "${targets[@]}"
