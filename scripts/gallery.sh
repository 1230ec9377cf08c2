#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Remakes the pictures of the documentation from the generated data set,
# rendered by the capture tool without a display:
#   docs/preview.webp            the title, two cards, a few seconds of every
#                                scene and the credits, animated, 400x300 (top
#                                of the README)
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

# --- The whole programme at the show's own 60 frames a second, losslessly
# (frame n shows second n/60). The scroller takes a letter per frame at most,
# so only a capture at the show's rate shows what the show shows.
rate=60
echo "gallery: the whole programme at $rate frames a second" >&2
"$capture" -o "$work/show.mkv" --fps "$rate" --no-progress
index() {  # index SECOND: the frame shown at that second of the programme
  awk "BEGIN { print int($1 * $rate + 0.5) }"
}
frame() {  # frame INDEX: that frame as a PNG, once the frames are picked below
  printf '%s/frames/%06d.png' "$work" "$1"
}

# --- What is wanted from it, and the expression that picks it out in one
# pass over the capture. The animated preview: the title, two cards, every
# scene at a good moment and the credits, at 15 frames a second (every fourth
# frame). Nothing in it flashes: the flower comes after the flash of the
# music's accent has died down, and the tunnel, whose checkerboard flashes,
# shows as one held frame ("hold" keeps the segment's first frame).
fps=15
step=$((rate / fps))
segments=(
  "3 5"               # the title card and its warning
  "17 18.5"           # card I, the meadow
  "32.3 35"           # the flower turning its golden face to the camera
  "63.5 66.5"         # the solid, the pyramid turning into a cube at 65 s
  "94.8 97.6"         # the scroller's first word riding the wave up close
  "140 141.5"         # card IV, the tunnel
  "151.3 152.8 hold"  # the tunnel, still: the cube in fractal islands
  "180 183.5"         # the morphing figure
  "200 202"           # the credits
)
preview=()  # the index of every preview frame, in order
terms=()    # select-filter terms, one per run of wanted frames
for segment in "${segments[@]}"; do
  read -r from to hold <<<"$segment"
  first=$(index "$from")
  frames=$(awk "BEGIN { print int(($to - $from) * $fps + 0.5) }")
  if [[ -n "$hold" ]]; then
    for ((k = 0; k < frames; k++)); do preview+=("$first"); done
    terms+=("eq(n\\,$first)")
  else
    for ((k = 0; k < frames; k++)); do preview+=("$((first + k * step))"); done
    terms+=("between(n\\,$first\\,$((first + (frames - 1) * step)))*not(mod(n-$first\\,$step))")
  fi
done
# One frame every five seconds, title to credits.
sheet=()
for ((s = 0; s * 5 < 225; s++)); do sheet+=("$((s * 5 * rate))"); done
terms+=("not(mod(n\\,$((5 * rate))))*lt(n\\,$((${#sheet[@]} * 5 * rate)))")
# The stills, one of every row.
stills=("5 01-title" "17 02-meadow-card" "33 03-flower" "45 04-solid-card" "65 05-cube-pyramid"
  "85 06-scroller-card" "103.5 07-scroller" "140 08-tunnel-card" "150 09-tunnel" "172 10-morph-card"
  "181 11-morph" "210 12-credits" "30.5 03-flower-flash")
for still in "${stills[@]}"; do terms+=("eq(n\\,$(index "${still%% *}"))"); done

printf '%s\n' "${preview[@]}" "${sheet[@]}" >"$work/wanted.all"
for still in "${stills[@]}"; do index "${still%% *}" >>"$work/wanted.all"; done
sort -n -u "$work/wanted.all" >"$work/wanted"
select=$(IFS=+ && echo "${terms[*]}")
mkdir -p "$work/picked" "$work/frames"
echo "gallery: picking $(wc -l <"$work/wanted") frames" >&2
ffmpeg -v error -y -i "$work/show.mkv" -vf "select='$select'" -fps_mode passthrough "$work/picked/%06d.png"
if [[ "$(find "$work/picked" -name '*.png' | wc -l)" -ne "$(wc -l <"$work/wanted")" ]]; then
  echo "gallery: the capture did not give every wanted frame" >&2
  exit 1
fi
k=1
while read -r n; do
  mv "$(printf '%s/picked/%06d.png' "$work" "$k")" "$(printf '%s/frames/%06d.png' "$work" "$n")"
  k=$((k + 1))
done <"$work/wanted"

sequence() {  # sequence FOLDER INDEX...: those frames as FOLDER/00000.png, 00001.png, ...
  local folder="$1" count=0 n
  shift
  mkdir -p "$folder"
  for n in "$@"; do
    cp "$(frame "$n")" "$(printf '%s/%05d.png' "$folder" "$count")"
    count=$((count + 1))
  done
}

sequence "$work/preview" "${preview[@]}"
count=${#preview[@]}
ffmpeg -v error -y -framerate "$fps" -i "$work/preview/%05d.png" \
  -vf "scale=400:300:flags=lanczos" -c:v libwebp_anim -lossless 0 -q:v 70 \
  -compression_level 6 -loop 0 "$root/docs/preview.webp"
echo "gallery: docs/preview.webp, $count frames, $(du -k "$root/docs/preview.webp" | cut -f1) KB" >&2

for still in "${stills[@]}"; do
  ffmpeg -v error -y -i "$(frame "$(index "${still%% *}")")" -vf "scale=400:300:flags=lanczos" "$gallery/${still#* }.png"
done
# One frame every five seconds, eight to a row.
sequence "$work/sheet" "${sheet[@]}"
ffmpeg -v error -y -framerate 1 -i "$work/sheet/%05d.png" \
  -vf "scale=160:120:flags=lanczos,tile=8x6" -frames:v 1 "$gallery/programme.png"
# The three moments that flash, default and gentle: the flower's strobe at
# the music's crash, the scroller's background, the tunnel's checkerboard.
# The gentle frames are captured one by one; a late start is exact.
gentleStill() {  # gentleStill SECOND NAME
  "$capture" -o "$work/gentle-$2" --from "$1" --to "$(awk "BEGIN { print $1 + 0.01 }")" --gentle --no-progress
  ffmpeg -v error -y -i "$work/gentle-$2/frame00000.png" -vf "scale=400:300:flags=lanczos" "$gallery/$2.png"
}
echo "gallery: the gentle show at its three flashing moments" >&2
gentleStill 30.5 03-flower-flash-gentle
gentleStill 103.5 07-scroller-gentle
gentleStill 150 09-tunnel-gentle
echo "gallery: docs/gallery updated" >&2
