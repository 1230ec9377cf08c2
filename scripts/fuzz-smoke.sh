#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the two fuzz targets with clang in a build folder of their own and
# runs each for a short while (CI) or as long as asked:
#   scripts/fuzz-smoke.sh            30 s per target
#   FUZZ_SECONDS=600 scripts/fuzz-smoke.sh
# Findings are written to the build folder's fuzz-findings/ and make the
# script fail.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" test
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1  # objects shared with the other build folders
build="${GLIMMER_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-30}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_FUZZ=ON -DGLIMMER_TESTS=OFF >/dev/null
cmake --build "$build" --target tga_fuzzer ms3d_fuzzer fuzz_seed_corpus

corpus="$build/fuzz-corpus"
findings="$build/fuzz-findings"
mkdir -p "$corpus/tga" "$corpus/ms3d" "$findings"
"$build/fuzz/fuzz_seed_corpus" "$corpus/tga" "$corpus/ms3d"

status=0
for target in tga ms3d; do
  echo "== ${target}_fuzzer for ${seconds} s"
  # The corpus folder grows with what the run finds; it is a scratch folder
  # inside the build, never committed.
  if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$findings/${target}-" "$corpus/$target" \
      > "$build/${target}_fuzzer.log" 2>&1; then
    status=1
    echo "${target}_fuzzer found a problem; see $build/${target}_fuzzer.log and $findings"
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|ERROR' "$build/${target}_fuzzer.log" || true
done
exit $status
