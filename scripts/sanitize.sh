#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the project with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer in a build folder of its own and runs the tests in it: the
# whole programme end to end, the loaders, the sound layer and the scenes.
#   scripts/sanitize.sh             the end-to-end run and the asset tests
#   scripts/sanitize.sh -R tga      any ctest selection instead
# Leaks inside the system's GL driver and font configuration (not ours) are
# suppressed by scripts/lsan.supp.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" test
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1  # objects shared with the other build folders
build="${GLIMMER_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DGLIMMER_SANITIZE=address,undefined >/dev/null
cmake --build "$build"
# Mesa's EGL loads the software GL driver with dlopen and unloads it again at
# eglTerminate, before the leak check runs; its allocations would then be
# reported from an unknown module. Preloading the driver keeps it mapped, so
# its leaks are recognised by library name and suppressed.
dri="$(find /usr/lib -name swrast_dri.so -print -quit 2>/dev/null || true)"
if [[ -n "$dri" ]]; then
  export LD_PRELOAD="$dri${LD_PRELOAD:+:$LD_PRELOAD}"
fi
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:verify_asan_link_order=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
cd "$build"
if [[ $# -gt 0 ]]; then
  ctest --output-on-failure --timeout 1800 "$@"
else
  ctest --output-on-failure --timeout 1800 \
    -R 'ProgrammeEndToEnd|Tga|Ms3d|TextureBank|Sound|Music|Timeline|FrameLoop'
fi
