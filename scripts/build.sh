#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs missing packages, configures the build folder and builds the named
# targets (everything when none is named). The folder is GLIMMER_BUILD_DIR,
# or build/ beside the sources. Shared by the scripts that need a build.
# The tests are configured once their packages are there (setup.sh test,
# which the test scripts run first).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${GLIMMER_BUILD_DIR:-$root/build}"
# Objects are cached by their sources' paths relative to the tree, so the
# separate build folders (tests, sanitizers, fuzzing, package) share them.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
tests=OFF
[[ "$(dpkg-query -W -f='${Status}' libgtest-dev 2>/dev/null || true)" == "install ok installed" ]] && tests=ON
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_TESTS="$tests" >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" "${targets[@]}"
