#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the demo many times on a real desktop (Xorg with the dummy video
# driver and its 640x480 mode, openbox), as a user starts it, and measures
# each start: the time from launch until its window is shown and until its
# first frame is presented (from its frame statistics). A start whose window
# does not show within the limit counts as a hang: where its main thread
# waits is printed (the desktop suite's evidence) and it is killed. Then the
# same with the machine loaded by busy loops, a few more than it has cores.
#
#   scripts/startup-trial.sh [STARTS] [BUSY_LOOPS] [LIMIT_SECONDS]
#
# Defaults: 200 starts quiet and 200 loaded, 10 busy loops, 30 s limit. A
# BUSY_LOOPS of 0 runs only the quiet round. Needs root (Xorg without a
# console), a build (GLIMMER_BUILD_DIR or build/) and the desktop suite's
# packages. Exit status 1 when a start hung or showed its window later than
# 10 s.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${GLIMMER_BUILD_DIR:-$root/build}" && pwd)"
starts="${1:-200}" loops="${2:-10}" limit="${3:-30}"
work="$(mktemp -d /tmp/glimmer-startup.XXXXXX)"
caseName=startup-trial
source "$root/tests/desktop/lib.sh"

busy=()
stopBusy() {
    local pid
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
    busy=()
}
trap 'stopBusy; stopAll; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# One start: launch, window, a moment of frames, SIGTERM. Appends "window
# first-frame" seconds (first-frame "-" when no frame was presented before
# the end) to $work/<round>.times; a hang, or an exit status other than 0
# after SIGTERM, goes to $work/<round>.failures.
oneStart() {
    local round="$1" t0 seen="" i now
    rm -f "$work/frames.txt"
    t0="$(probe clock)"
    startDemo SDL_AUDIODRIVER=dummy
    for ((i = 0; i < limit * 20; i++)); do
        if [[ -n "$(windowsTitled Glimmervandra)" ]]; then
            seen="$(probe clock)"
            break
        fi
        kill -0 "$demoPid" 2>/dev/null || break
        sleep 0.05
    done
    if [[ -z "$seen" ]]; then
        if kill -0 "$demoPid" 2>/dev/null; then
            echo "  hang: no window after ${limit}s"
            showWhereTheDemoWaits
        else
            echo "  the demo ended before its window showed:"
            sed 's/^/    /' "$work/demo.err"
        fi
        echo hang >>"$work/$round.failures"
        kill -KILL "$demoPid" 2>/dev/null
        wait "$demoPid" 2>/dev/null
        demoPid=""
        return
    fi
    sleep 1  # frames
    kill -TERM "$demoPid"
    waitForExit 30
    if [[ "$demoStatus" != 0 ]]; then
        echo "  exit status $demoStatus after SIGTERM"
        echo "exit $demoStatus" >>"$work/$round.failures"
    fi
    now="$(awk '/^row 1 / {print $7}' "$work/frames.txt" 2>/dev/null)"
    awk -v t0="$t0" -v seen="$seen" -v shown="${now:-}" \
        'BEGIN {printf "%.3f %s\n", seen - t0, shown == "" ? "-" : sprintf("%.3f", shown - t0)}' >>"$work/$round.times"
}

# "median worst" of a column of the times (skipping "-").
figures() {
    awk -v c="$2" '$c != "-" {print $c}' "$1" | sort -n |
        awk '{v[NR] = $1} END {if (NR) printf "median %.2f s, worst %.2f s", v[int((NR + 1) / 2)], v[NR]; else printf "none"}'
}

round() {
    local name="$1" n
    : >"$work/$name.times"
    : >"$work/$name.failures"
    for ((n = 1; n <= starts; n++)); do
        oneStart "$name"
        ((n % 20 == 0)) && echo "  $name: $n starts, load $(cut -d' ' -f1 /proc/loadavg)"
    done
    local hangs bad late noFrame
    hangs=$(grep -c '^hang' "$work/$name.failures")
    bad=$(grep -c '^exit' "$work/$name.failures")
    late=$(awk '$1 > 10' "$work/$name.times" | wc -l)
    noFrame=$(awk '$2 == "-"' "$work/$name.times" | wc -l)
    echo "$name: $starts starts, $hangs hangs, $bad bad exits, $late windows later than 10 s," \
        "$noFrame without a frame within 1 s of the window"
    echo "  window shown: $(figures "$work/$name.times" 1)"
    echo "  first frame:  $(figures "$work/$name.times" 2)"
    ((hangs == 0 && bad == 0 && late == 0))
}

startXorg full 24
startOpenbox
ok=0
round quiet || ok=1
if ((loops > 0)); then
    for ((i = 0; i < loops; i++)); do
        (while :; do :; done) &
        busy+=($!)
        disown $!  # no job notice when it is ended
    done
    sleep 20  # the load average climbs
    echo "loaded: $loops busy loops, load $(cut -d' ' -f1 /proc/loadavg)"
    round loaded || ok=1
    stopBusy
fi
exit $ok
