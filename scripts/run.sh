#!/usr/bin/env bash
# Installs missing packages, builds the demo and starts it from the build
# folder, where its Data folder is generated.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
build="${GLIMMER_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
cd "$build"
exec ./glimmervandra "$@"
