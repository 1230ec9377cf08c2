#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs missing packages, builds the demo and starts it from the build
# folder, where its Data folder is generated. Without a display it renders
# the whole show to a video file instead and says where it is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GLIMMER_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
cd "$build"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  video="$build/glimmervandra.mp4"
  echo "run: no display here, so the show is rendered to a video instead (about two minutes)." >&2
  ./glimmervandra-capture -o "$video" "$@"
  echo "run: the show is in $video" >&2
  exit 0
fi
exec ./glimmervandra "$@"
