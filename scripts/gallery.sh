#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Remakes the pictures of the documentation from the generated data set,
# rendered by the capture tool without a display:
#   docs/preview.webp            a few seconds of the title and of every scene,
#                                animated, 400x300 (top of the README)
#   docs/gallery/NN-*.png        one frame of every row of the programme, 400x300
#   docs/gallery/programme.png   one frame every five seconds, title to credits
#   docs/gallery/*-gentle.png    the moments that flash, as the gentle show
#                                (--gentle) draws them, beside the default
# usage: scripts/gallery.sh             (builds what it needs first)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GLIMMER_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" glimmervandra-capture glimmer_data
capture="$build/glimmervandra-capture"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gallery="$root/docs/gallery"

# --- The animated preview: programme seconds of each part, at 15 frames a
# second. The title holds the photosensitivity warning. The tunnel flashes,
# and a picture on a page plays without being asked: it shows as one held
# frame ("hold" renders the first frame and keeps it for the segment).
fps=15
segments=(
  "3 5"        # title card and its warning
  "34 37.5"    # the flower over the rippling grid
  "63.5 66.5"  # the solid, pyramid turning into a cube at 65 s
  "100 103"    # the extruded scroller
  "150 152 hold"  # the tunnel, still
  "180 183.5"  # the morphing figure
)
mkdir -p "$work/preview"
count=0
for segment in "${segments[@]}"; do
  read -r from to hold <<<"$segment"
  echo "gallery: preview, seconds $from to $to${hold:+, held}" >&2
  rm -rf "$work/part"
  "$capture" -o "$work/part" --fps "$fps" --from "$from" --to "$to" --no-progress
  frames=("$work"/part/frame*.png)
  for frame in "${frames[@]}"; do
    [[ -n "$hold" ]] && frame="${frames[0]}"
    cp "$frame" "$(printf '%s/preview/%05d.png' "$work" "$count")"
    count=$((count + 1))
  done
done
ffmpeg -v error -y -framerate "$fps" -i "$work/preview/%05d.png" \
  -vf "scale=400:300:flags=lanczos" -c:v libwebp_anim -lossless 0 -q:v 70 \
  -compression_level 6 -loop 0 "$root/docs/preview.webp"
echo "gallery: docs/preview.webp, $count frames, $(du -k "$root/docs/preview.webp" | cut -f1) KB" >&2

# --- The stills: the whole programme at two frames a second; frame n shows
# second n/2.
echo "gallery: the whole programme at 2 frames a second" >&2
"$capture" -o "$work/shots" --fps 2 --no-progress
still() {  # still SECOND NAME [FOLDER]
  local frame
  frame="$(printf '%s/%s/frame%05d.png' "$work" "${3:-shots}" "$(awk "BEGIN { print int($1 * 2) }")")"
  ffmpeg -v error -y -i "$frame" -vf "scale=400:300:flags=lanczos" "$gallery/$2.png"
}
still 5 01-title
still 17 02-meadow-card
still 38 03-flower
still 45 04-solid-card
still 65 05-cube-pyramid
still 85 06-scroller-card
still 105 07-scroller
still 140 08-tunnel-card
still 150 09-tunnel
still 172 10-morph-card
still 181 11-morph
still 210 12-credits
# The three moments that flash, default and gentle: the flower's strobe at
# the music's crash, the scroller's background, the tunnel's checkerboard.
echo "gallery: the gentle show at 2 frames a second" >&2
"$capture" -o "$work/gentle" --fps 2 --gentle --no-progress
still 30.5 03-flower-flash
still 30.5 03-flower-flash-gentle gentle
still 105 07-scroller-gentle gentle
still 150 09-tunnel-gentle gentle
# Every tenth frame (every five seconds), eight to a row.
ffmpeg -v error -y -framerate 2 -i "$work/shots/frame%05d.png" \
  -vf "select='not(mod(n\,10))',scale=160:120:flags=lanczos,tile=8x6" -frames:v 1 \
  "$gallery/programme.png"
echo "gallery: docs/gallery updated" >&2
