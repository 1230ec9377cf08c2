#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building and running need (scripts/packages.txt), builds the
# demo and starts it from the build folder, where its Data folder is
# generated. Where it cannot be watched, because no display really opens or
# there is no sound device, it renders the whole show to a video file
# instead and says why and where it is. Options go to the demo
# (glimmervandra --help); --gentle also reaches the video.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GLIMMER_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" glimmervandra glimmervandra-capture glimmer_data
cd "$build"
# The demo opens the display and the sound device the way it would to play,
# and says which fails; what the sound library says on the way is noise here.
if verdict="$(./glimmervandra --check 2>/dev/null)"; then
  exec ./glimmervandra "$@"
fi
video="$build/glimmervandra.mp4"
echo "run: the demo cannot be watched here:" >&2
sed 's/^/  /' <<<"$verdict" >&2
echo "run: so the show is rendered to a video instead (a few minutes)." >&2
capture=(-o "$video")
for option in "$@"; do
  [[ "$option" == --gentle ]] && capture+=(--gentle)
done
./glimmervandra-capture "${capture[@]}"
echo "run: the show is in $video" >&2
