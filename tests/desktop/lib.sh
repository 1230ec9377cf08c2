# SPDX-License-Identifier: MIT
# Shared start-up helpers of the desktop suite: real X servers, window
# manager, Wayland compositor, sound servers and the demo, each started in a
# process group of its own and registered, so that stopAll (the EXIT trap of
# every case) takes down exactly what the case started, also when a check
# fails half-way. Sourced by suite.sh; every case runs in its own subshell.
#
# Needs: build (folder with glimmervandra, Data and the probe), work (a
# scratch folder of the case), reference (the title as the capture tool
# renders it, 640x480 grey).

set -m  # background jobs in process groups of their own

source "$(dirname "${BASH_SOURCE[0]}")/windows.sh"

started=()  # process group ids, in start order

demoPid=""
demoStatus=""
foundWindow=""
probe() { "$build/tests/glimmer-desktop-probe" "$@"; }

note() { echo "  $caseName: $*"; }

# Says why a case failed, with what is needed to find out without running
# it again: the demo's last words, where a still running demo waits (the
# main thread's whole backtrace first, then the others'), and the end of
# every server's log. All of it goes to the case's output, and so to CI's.
fail() {
    echo "FAIL $caseName: $*"
    if [[ -f "$work/demo.err" ]]; then sed 's/^/    demo: /' "$work/demo.err" | tail -n 20; fi
    if [[ -n "${demoPid:-}" ]] && kill -0 "$demoPid" 2>/dev/null; then showWhereTheDemoWaits; fi
    showServerLogs
    exit 1
}

showWhereTheDemoWaits() {
    local pid task
    pid="$(pgrep -P "$demoPid" -x glimmervandra || echo "$demoPid")"
    for task in /proc/"$pid"/task/*; do
        echo "    thread ${task##*/} $(cat "$task/comm" 2>/dev/null): $(cat "$task/wchan" 2>/dev/null)"
    done
    command -v gdb >/dev/null || return 0
    timeout 60 gdb -p "$pid" -batch -ex 'thread apply 1 bt' -ex 'thread apply all bt' >"$work/backtrace.txt" 2>&1
    # The main thread once in whole, then every thread (the main one again
    # at their end, as gdb counts down), bounded.
    echo "    main thread:"
    awk '/^Thread / {if (on) exit; on = $2 == "1"} on' "$work/backtrace.txt" |
        grep -E '^(Thread|#)' | sed 's/^/      /'
    echo "    all threads:"
    awk '/^Thread 1 / && !seen++ {skip = 1; next} skip && /^Thread / {skip = 0} !skip' "$work/backtrace.txt" |
        grep -E '^(Thread|#)' | sed 's/^/      /' | head -n 300
}

# The last lines of every log the case's servers wrote.
showServerLogs() {
    local log
    for log in "$work"/*.log; do
        [[ -s "$log" ]] || continue
        echo "    --- ${log##*/} (last 25 lines) ---"
        tail -n 25 "$log" | sed 's/^/    /'
    done
}

# Starts a program in its own process group with its output in
# $work/<name>.log; the pid goes to startedPid.
startBackground() {
    local name="$1"
    shift
    "$@" >"$work/$name.log" 2>&1 </dev/null &
    startedPid=$!
    started+=("$startedPid")
    disown "$startedPid"  # no job notices; stopAll ends it by its group
}

# Stops every group this case started, newest first: a polite TERM, then
# KILL for whatever is left a second later. An X server left in the demo's
# mode (a killed demo never puts it back) goes away with its server.
stopAll() {
    local i pid
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        pid="${started[i]}"
        kill -TERM -- "-$pid" 2>/dev/null
    done
    for ((i = 0; i < 10; i++)); do
        local alive=0
        for pid in "${started[@]}"; do kill -0 -- "-$pid" 2>/dev/null && alive=1; done
        ((alive)) || break
        sleep 0.1
    done
    for pid in "${started[@]}"; do kill -KILL -- "-$pid" 2>/dev/null; done
    started=()
}

# Xorg with the dummy driver. Variant "full": a 1024x768 desktop with
# 800x600 and 640x480; "no640": without 640x480. All modes at 50.0 kHz and
# 60.02 Hz, and a monitor accepting only that, or the driver would add all
# of the server's built-in modes.
startXorg() {
    local variant="$1" depth="${2:-24}" modes='"1024x768" "800x600" "640x480"'
    local small='Modeline "640x480" 37.10 640 680 700 742 480 500 510 833'
    # The driver offers every Modeline of the monitor: leave the line out too.
    [[ "$variant" == no640 ]] && modes='"1024x768" "800x600"' small=""
    local conf="$work/xorg-$variant-$depth.conf"
    cat >"$conf" <<EOF
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 16384
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 49.9-50.1
    VertRefresh 59.5-60.5
    Modeline "1024x768" 61.70 1024 1100 1150 1234 768 790 800 833
    Modeline "800x600" 48.20 800 850 900 964 600 620 630 833
    $small
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth $depth
    SubSection "Display"
        Depth $depth
        Modes $modes
        Virtual 1024 768
    EndSubSection
EndSection
EOF
    local fifo="$work/xorg-display"
    rm -f "$fifo"
    startBackground xorg Xorg -config "$conf" -displayfd 3 -noreset -nolisten tcp -sharevts -novtswitch \
        -logfile "$work/xorg-server.log" 3>"$fifo"
    local i
    for ((i = 0; i < 100; i++)); do
        if [[ -s "$fifo" ]]; then
            export DISPLAY=":$(head -n1 "$fifo")"
            unset WAYLAND_DISPLAY
            xrandr >/dev/null 2>&1 && return 0
        fi
        kill -0 "$startedPid" 2>/dev/null || break
        sleep 0.1
    done
    tail -n 20 "$work/xorg-server.log" 2>/dev/null
    fail "Xorg ($variant, depth $depth) did not start"
}

startOpenbox() {
    startBackground openbox openbox --sm-disable
    local i
    for ((i = 0; i < 50; i++)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && return 0
        sleep 0.1
    done
    fail "openbox did not take the screen"
}

# A private runtime folder, as a login session has.
privateRuntime() {
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# weston nested in the current X server as one 1024x768 window (the x11
# backend: its headless backend has no input seat, which SDL 2.26 needs).
# With "xwayland", weston also serves an X display; its name goes to
# xwaylandDisplay.
startWeston() {
    privateRuntime
    local extra=()
    [[ "${1:-}" == xwayland ]] && extra=(--xwayland)
    startBackground weston weston --backend=x11-backend.so --use-pixman --width=1024 --height=768 \
        --socket=glimmer-wl --idle-time=0 "${extra[@]}"
    local i
    for ((i = 0; i < 100; i++)); do
        if [[ -S "$XDG_RUNTIME_DIR/glimmer-wl" ]] && [[ -n "$(windowsTitled 'Weston Compositor - screen0')" ]]; then
            export WAYLAND_DISPLAY=glimmer-wl
            if [[ "${1:-}" == xwayland ]]; then
                xwaylandDisplay="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n1)"
                [[ -n "$xwaylandDisplay" ]] || { sleep 0.1; continue; }
            fi
            return 0
        fi
        kill -0 "$startedPid" 2>/dev/null || break
        sleep 0.1
    done
    tail -n 20 "$work/weston.log"
    fail "weston did not start"
}

# PulseAudio or PipeWire with a null sink "glimmer" as the default sink and
# its monitor as the default source, reached through the pulse protocol; a
# silent keep-alive stream keeps the sink (and so its monitor) running from
# the start.
startPulseAudio() {
    privateRuntime
    export HOME="$work/home" PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    mkdir -p "$HOME"
    startBackground pulseaudio pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
        -L "module-null-sink sink_name=glimmer rate=44100 channels=2" -L module-native-protocol-unix
    waitForPulse
}

startPipeWire() {
    privateRuntime
    export HOME="$work/home" PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    mkdir -p "$HOME"
    # wireplumber finds its peers over D-Bus: a private session bus.
    startBackground dbus dbus-daemon --session --nofork --print-address=3 3>"$work/dbus-address"
    local i
    for ((i = 0; i < 50; i++)); do
        [[ -s "$work/dbus-address" ]] && break
        sleep 0.1
    done
    export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$work/dbus-address")"
    startBackground pipewire pipewire
    for ((i = 0; i < 50; i++)); do
        [[ -S "$XDG_RUNTIME_DIR/pipewire-0" ]] && break
        sleep 0.1
    done
    startBackground wireplumber wireplumber
    startBackground pipewire-pulse pipewire-pulse
    waitForPulse
    pactl load-module module-null-sink sink_name=glimmer rate=44100 channels=2 >/dev/null ||
        fail "no null sink on PipeWire"
    pactl set-default-sink glimmer
    pactl set-default-source glimmer.monitor
}

waitForPulse() {
    local i
    for ((i = 0; i < 100; i++)); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl info >/dev/null 2>&1 || fail "the sound server did not answer"
    pactl set-default-sink glimmer 2>/dev/null
    # Low latency: the sink runs at the smallest latency its streams ask
    # for, and pacat's default (2 s) would have it render far ahead.
    startBackground keepalive pacat --playback --raw --latency-msec=10 /dev/zero
}

# Records the default source (the null sink's monitor) to $work/sound.raw.
startRecording() {
    SDL_AUDIODRIVER=pulseaudio startBackground recorder "$build/tests/glimmer-desktop-probe" record \
        "$work/sound.raw" 600
    recorderPid=$startedPid
}
stopRecording() {
    kill -TERM "$recorderPid" 2>/dev/null
    local i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$recorderPid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -s "$work/sound.raw.clock" ]] || fail "no recording: $(cat "$work/recorder.log")"
}

# Starts the demo from the build folder (where Data is), with frame
# statistics, and any VAR=value arguments added to its environment. SIGINT
# goes back to its default: a script's background jobs inherit it ignored,
# and the demo (rightly) leaves an ignored SIGINT ignored.
startDemo() {
    (cd "$build" && exec env --default-signal=INT "$@" GLIMMER_FRAME_STATS="$work/frames.txt" ./glimmervandra) \
        >"$work/demo.out" 2>"$work/demo.err" </dev/null &
    demoPid=$!
    started+=("$demoPid")
}

screenMode() { xrandr 2>/dev/null | awk '/^Screen 0:/ {gsub(",", ""); print $8 "x" $10}'; }
expectMode() {
    local mode
    mode="$(screenMode)"
    [[ "$mode" == "$1" ]] || fail "the screen is $mode, expected $1 ($2)"
}

# Grabs a w x h area at x,y of the current X screen, scaled to 640x480 grey,
# to $work/<name>.gray (and a PNG beside it for a person to look at).
grab() {
    local name="$1" w="$2" h="$3" x="${4:-0}" y="${5:-0}"
    ffmpeg -loglevel error -y -f x11grab -video_size "${w}x${h}" -i "$DISPLAY.0+$x,$y" -frames:v 1 \
        "$work/$name.png" </dev/null || fail "could not grab the screen"
    ffmpeg -loglevel error -y -i "$work/$name.png" -vf scale=640:480 -pix_fmt gray -f rawvideo \
        "$work/$name.gray" </dev/null || fail "could not convert the grab"
}

# "mean M corners ..." and "difference D" of a grab against the title.
lookAt() { probe picture "$work/$1.gray" 640 480 "$reference"; }
differenceFromTitle() { lookAt "$1" | awk '/^difference/ {print $2}'; }
below() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a < b)}'; }

# The grab of a window shows the title, stretched over the whole window:
# close to the reference everywhere (the level meter and sparkle differ a
# little; a blank, shifted or cornered picture differs by a tenth or more).
expectTitleIn() {
    local name="$1" w="$2" h="$3" x="$4" y="$5" what="$6" d
    grab "$name" "$w" "$h" "$x" "$y"
    d="$(differenceFromTitle "$name")"
    below "$d" 0.05 || fail "$what: the grab differs from the title by $d"
    note "$what: title drawn, difference $d"
}

# The grab of an area shows a 3D scene over all of it: not the title any
# more, not blank, and something in every corner (the scenes' backgrounds
# are never black; bars beside a wrongly shaped picture would be).
expectScene() {
    local name="$1" w="$2" h="$3" x="$4" y="$5" what="$6" seconds="${7:-10}" d mean corners why i c
    # Polled: the first frame of a scene can take a moment on a software
    # renderer (its pipeline is compiled then), longer on a busy machine.
    for ((i = 0; i < seconds * 2; i++)); do
        grab "$name" "$w" "$h" "$x" "$y"
        read -r _ mean _ corners <<<"$(lookAt "$name" | head -n1)"
        d="$(differenceFromTitle "$name")"
        why=""
        below 0.06 "$d" || why="the title still shows (difference $d)"
        [[ -z "$why" ]] && { below 0.02 "$mean" || why="blank picture (mean $mean)"; }
        for c in $corners; do
            [[ -z "$why" ]] && { below 0.01 "$c" || why="a corner is black ($corners)"; }
        done
        [[ -z "$why" ]] && { note "$what: scene drawn, mean $mean, corners $corners"; return 0; }
        kill -0 "$demoPid" 2>/dev/null || fail "$what: the demo ended ($why)"
        sleep 0.5
    done
    fail "$what: $why"
}

# Waits until the grab of an area shows the title (a compositor may take a
# moment to show the first frames).
waitForTitle() {
    local w="$1" h="$2" x="$3" y="$4" what="$5" seconds="${6:-20}" i d=1
    for ((i = 0; i < seconds * 2; i++)); do
        grab title-wait "$w" "$h" "$x" "$y"
        d="$(differenceFromTitle title-wait)"
        below "$d" 0.05 && { note "$what: title drawn, difference $d"; return 0; }
        kill -0 "$demoPid" 2>/dev/null || fail "the demo ended before its title was seen"
        sleep 0.5
    done
    fail "$what: the title was not seen (last difference $d)"
}

# Seconds since the demo's window appeared (for waiting until a row).
markStart() { startedAt=$(date +%s.%N); }
waitUntil() {
    local seconds="$1" now left
    now=$(date +%s.%N)
    left=$(awk -v s="$startedAt" -v n="$now" -v t="$seconds" 'BEGIN {d = s + t - n; print (d > 0 ? int(d * 2) : 0)}')
    # Half-second steps: a stopped suite does not wait for a long sleep.
    for ((; left > 0; left--)); do sleep 0.5; done
}

# The demo's CPU share over its frame loop, from its frame statistics.
cpuShare() {
    awk '/^cpu_seconds/ {c = $2} /^wall_seconds/ {w = $2} END {if (w > 0) printf "%.0f%%", 100 * c / w}' \
        "$work/frames.txt" 2>/dev/null
}
