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
    echo "FAIL $caseName${caseStarted:+ after $((SECONDS - caseStarted)) s}: $*"
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
    # A number left from an earlier server of the case must not be read.
    rm -f "$work/xorg-display"
    startBackground xorg Xorg -config "$conf" -displayfd 3 -noreset -nolisten tcp -sharevts -novtswitch \
        -logfile "$work/xorg-server.log" 3>"$work/xorg-display"
    waitForServer "Xorg ($variant, depth $depth)" 10 "$startedPid" displayReady "$work/xorg-display"
}

startOpenbox() {
    startBackground openbox openbox --sm-disable
    waitForServer openbox 5 "$startedPid" windowManagerReady
}
windowManagerReady() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }

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
    waitForServer weston 10 "$startedPid" westonReady "${1:-}"
    export WAYLAND_DISPLAY=glimmer-wl
}
westonReady() {
    [[ -S "$XDG_RUNTIME_DIR/glimmer-wl" && -n "$(windowsTitled 'Weston Compositor - screen0')" ]] || return 1
    [[ "$1" == xwayland ]] || return 0
    xwaylandDisplay="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n1)"
    [[ -n "$xwaylandDisplay" ]]
}

# A private D-Bus session bus, as a login session has.
startSessionBus() {
    [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" && -s "$work/dbus-address" ]] && return 0
    startBackground dbus dbus-daemon --session --nofork --print-address=3 3>"$work/dbus-address"
    waitForServer "the session bus" 5 "$startedPid" test -s "$work/dbus-address"
    export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$work/dbus-address")"
}

# --- The compositors people use, at 1920x1080 ---------------------------------
#
# Each one sets compositor (mutter or sway) and, with XWayland,
# xwaylandDisplay; outputWidth and outputHeight are the output's pixels, as
# a screenshot has them. grabOutput, pressOnOutput and pointerTo then work
# alike on both.

outputWidth=1920
outputHeight=1080

# An Xvfb screen the size of the output, for a nested compositor's window
# and its pointer and keyboard.
startXvfb() {
    startBackground xvfb xvfbServer "${outputWidth}x${outputHeight}x24" "$work/xvfb-display"
    waitForServer Xvfb 10 "$startedPid" displayReady "$work/xvfb-display"
}

# GNOME's compositor, mutter, nested in Xvfb as one window the size of the
# whole screen: so it has a pointer and a keyboard (headless, it has
# neither). "xwayland" also has it serve X clients, as GNOME does; their
# display goes to xwaylandDisplay and its key file to xwaylandAuthority.
startMutter() {
    mutterWith="${1:-native}"
    compositor=mutter
    startXvfb
    privateRuntime
    export HOME="$work/home"
    mkdir -p "$HOME"
    startSessionBus
    local x11=(--no-x11)
    [[ "$mutterWith" == xwayland ]] && x11=()
    MUTTER_DEBUG_DUMMY_MODE_SPECS="${outputWidth}x${outputHeight}" startBackground mutter \
        mutter --nested --wayland --wayland-display=glimmer-wl "${x11[@]}"
    waitForServer mutter 30 "$startedPid" mutterReady
    export WAYLAND_DISPLAY=glimmer-wl
    # The pointer into mutter's window, in a corner, as a person who starts
    # a program leaves it somewhere.
    xdotool mousemove 5 5
}
mutterReady() {
    [[ -S "$XDG_RUNTIME_DIR/glimmer-wl" && -n "$(windowsTitled mutter)" ]] || return 1
    [[ "$mutterWith" == xwayland ]] || return 0
    xwaylandDisplay="$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/mutter.log" | head -n1)"
    xwaylandAuthority="$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)"
    [[ -n "$xwaylandDisplay" && -s "$xwaylandAuthority" ]]
}

# sway on its headless back end, as an unprivileged user of its own (sway
# refuses to run as root) with a runtime folder that user owns, at an
# output scale. With "xwayland" it serves X clients too, and lets root's
# (the demo's) in; their display goes to xwaylandDisplay. Headless sway has
# no input devices: a virtual keyboard (wtype) stays on the seat for the
# whole case, so that windows get the keyboard focus as they map, and keys
# come from others (pressOnOutput).
swayUser=glimmer-desktop
startSway() {
    local with="$1" scale="$2"
    compositor=sway
    id "$swayUser" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$swayUser" ||
        fail "could not create the user $swayUser"
    export XDG_RUNTIME_DIR="$work/sway-runtime"
    # Its user passes through the case's folders to its own and reads its
    # configuration; root keeps the rest.
    chmod go+x "$work" "$(dirname "$work")"
    install -d -m 700 -o "$swayUser" "$XDG_RUNTIME_DIR"
    local xwayland=disable ready='env >$XDG_RUNTIME_DIR/session-env'
    if [[ "$with" == xwayland ]]; then
        xwayland=force
        ready="until xhost +si:localuser:root; do sleep 0.1; done; $ready"
    fi
    printf '%s\n' "output HEADLESS-1 mode ${outputWidth}x${outputHeight} scale $scale" "xwayland $xwayland" \
        "exec sh -c '$ready'" >"$work/sway.conf"
    chmod 644 "$work/sway.conf"
    startBackground sway setpriv --reuid="$swayUser" --regid="$(id -g "$swayUser")" --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$XDG_RUNTIME_DIR" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$work/sway.conf"
    waitForServer sway 30 "$startedPid" swayReady
    local env="$XDG_RUNTIME_DIR/session-env"
    export WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$(sed -n 's/^WAYLAND_DISPLAY=//p' "$env")"
    export SWAYSOCK="$(sed -n 's/^SWAYSOCK=//p' "$env")"
    xwaylandDisplay="$(sed -n 's/^DISPLAY=//p' "$env")"
    unset DISPLAY
    startBackground keyboard wtype -k Escape -s 3600000
    sleep 0.3
}
swayReady() { grep -q '^SWAYSOCK=' "$XDG_RUNTIME_DIR/session-env" 2>/dev/null; }

# Grabs the whole output, cursor included, to $work/<name>.gray (and a
# PNG beside it for a person to look at).
grabOutput() {
    local name="$1"
    if [[ "$compositor" == sway ]]; then
        grim -c -t ppm "$work/$name.ppm" || fail "grim could not grab the output"
        ffmpeg -loglevel error -y -i "$work/$name.ppm" "$work/$name.png" </dev/null || fail "could not convert the grab"
        rm -f "$work/$name.ppm"
    else
        ffmpeg -loglevel error -y -f x11grab -draw_mouse 1 -video_size "${outputWidth}x${outputHeight}" \
            -i "$DISPLAY.0+0,0" -frames:v 1 "$work/$name.png" </dev/null || fail "could not grab the screen"
    fi
    ffmpeg -loglevel error -y -i "$work/$name.png" -pix_fmt gray -f rawvideo "$work/$name.gray" </dev/null ||
        fail "could not convert the grab"
}

# A key pressed as the user would: on the nested compositor's window, or
# through a virtual keyboard of its own, given a moment to be seen first
# and kept until the case ends: a client that joins after the keyboard it
# knew went away is handed key modifiers without a keymap, on which SDL
# 2.26 crashes (as no real keyboard would have it).
pressOnOutput() {
    if [[ "$compositor" == sway ]]; then
        startBackground "key-$1" wtype -s 300 -k "$1" -s 3600000
        sleep 0.6
    else
        xdotool key --clearmodifiers "$1"
    fi
}
pointerTo() { xdotool mousemove "$1" "$2"; }

# The lit area of a grab: "x y width height".
litArea() { probe area "$work/$1.gray" "$outputWidth" "$outputHeight" | awk '{print $2, $3, $4, $5}'; }

# Waits until the output shows the demo's picture the way it must: lit 4:3
# (within 1 %) and centred (within 1 % of the output), as tall as the
# output (not a window under a title bar, not a picture left in a corner),
# and the title in it. Sets pictureX, pictureY, pictureWidth, pictureHeight.
expectPictureCentred() {
    local what="$1" seconds="${2:-30}" i x y w h why d=""
    for ((i = 0; i < seconds * 2; i++)); do
        grabOutput picture
        read -r x y w h <<<"$(litArea picture)"
        why=""
        if ((w == 0 || h == 0)); then
            why="nothing lit"
        elif ! awk -v w="$w" -v h="$h" 'BEGIN {r = w / h / (4 / 3); exit !(r > 0.99 && r < 1.01)}'; then
            why="the lit area is ${w}x${h}, not 4:3"
        elif ((h < outputHeight * 99 / 100)); then
            why="the lit area is ${w}x${h} at $x,$y, not the output's height"
        elif (((2 * x + w - outputWidth) ** 2 > (outputWidth / 100) ** 2 ||
            (2 * y + h - outputHeight) ** 2 > (outputHeight / 100) ** 2)); then
            why="the lit area ${w}x${h} at $x,$y is not centred"
        else
            # The title in it, compared at the reference's size.
            ffmpeg -loglevel error -y -i "$work/picture.png" -vf "crop=$w:$h:$x:$y,scale=640:480" -pix_fmt gray \
                -f rawvideo "$work/picture-area.gray" </dev/null || fail "could not crop the grab"
            d="$(differenceFromTitle picture-area)"
            below "$d" 0.05 || why="the lit area does not show the title (difference $d)"
        fi
        if [[ -z "$why" ]]; then
            pictureX=$x pictureY=$y pictureWidth=$w pictureHeight=$h
            note "$what: the title ${w}x${h} at $x,$y on the ${outputWidth}x${outputHeight} output, difference $d"
            return 0
        fi
        [[ -n "${demoPid:-}" ]] && ! kill -0 "$demoPid" 2>/dev/null && fail "$what: the demo ended ($why)"
        sleep 0.5
    done
    fail "$what: $why"
}

# Drawn at the output's own pixels: the title's lettering in the picture
# against the same band of the title the capture tool draws at 1440x1080.
# Drawn at the output's pixels it is the same (difference 0.0000 here);
# drawn smaller and scaled up by the compositor it is softer (0.004 for a
# 2x scale). XWayland's clients on sway at scale 2 are scaled up by sway
# whatever they do: that is measured and said, not failed.
expectSharp() {
    local path="$1" what="$2" d w h x y
    [[ "$pictureWidth x $pictureHeight" == "1440 x 1080" ]] || fail "$what: the picture is not 1440x1080"
    IFS=: read -r w h x y <<<"$titleBand"
    ffmpeg -loglevel error -y -i "$work/picture.png" -vf "crop=$w:$h:$((pictureX + x)):$((pictureY + y))" \
        -pix_fmt gray -f rawvideo "$work/picture-sharp.gray" </dev/null || fail "could not crop the grab"
    d="$(probe picture "$work/picture-sharp.gray" "$w" "$h" "$sharpReference" | awk '/^difference/ {print $2}')"
    if below "$d" 0.0015; then
        note "$what: drawn at the output's pixels (difference from the sharp title $d)"
    elif [[ "$path" == xwayland && "$compositor" == sway ]]; then
        note "$what: drawn at 1x and scaled up by sway, as sway does for every X client (difference $d)"
    else
        fail "$what: the picture is soft, scaled up rather than drawn at the output's pixels (difference $d)"
    fi
}

# No cursor over the picture: the pointer is put at one place in the sky of
# the title, then at another, with a grab each time; a cursor drawn at
# either place shows as pixels that changed there between the grabs, while
# a third place in the sky stays as it was. When that place changed too,
# the picture itself moved on between the grabs (a busy machine may take
# long enough for the next slide): the pair is taken again.
expectNoCursor() {
    local what="$1" ax ay bx by cx cy try at changed control size=$((outputHeight / 20))
    ax=$((pictureX + pictureWidth / 5)) ay=$((pictureY + pictureHeight / 8))
    bx=$((pictureX + pictureWidth * 3 / 5)) by=$((pictureY + pictureHeight / 10))
    cx=$((pictureX + pictureWidth * 2 / 5)) cy=$((pictureY + pictureHeight / 8))
    for try in 1 2 3; do
        pointerTo "$ax" "$ay"
        sleep 0.5
        grabOutput cursor-a
        pointerTo "$bx" "$by"
        sleep 0.5
        grabOutput cursor-b
        read -r _ control <<<"$(probe changed "$work/cursor-a.gray" "$work/cursor-b.gray" "$outputWidth" \
            "$outputHeight" "$cx" "$cy" "$size" "$size")"
        ((control <= 12)) && break
        note "$what: the picture changed between the grabs ($control pixels where no pointer was), again"
    done
    ((control <= 12)) || fail "$what: the picture kept changing under the pointer; no cursor check possible"
    for at in "$ax $ay" "$bx $by"; do
        # shellcheck disable=SC2086  # at is "x y"
        read -r _ changed <<<"$(probe changed "$work/cursor-a.gray" "$work/cursor-b.gray" "$outputWidth" \
            "$outputHeight" $at "$size" "$size")"
        ((changed <= 12)) || fail "$what: a cursor shows over the picture at ${at/ /,} ($changed pixels changed)"
    done
    note "$what: no cursor over the picture"
}

# Sound at the sink: the recording of the null sink's monitor is not silent.
expectSoundAtSink() {
    stopRecording
    local level
    level="$(probe loudness "$work/sound.raw" | awk '{print $2}')"
    below 0.005 "$level" || fail "no sound at the sink (loudness $level)"
    note "sound at the sink, loudness $level"
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
    # wireplumber finds its peers over D-Bus.
    startSessionBus
    startBackground pipewire pipewire
    waitForServer PipeWire 5 "$startedPid" test -S "$XDG_RUNTIME_DIR/pipewire-0"
    startBackground wireplumber wireplumber
    startBackground pipewire-pulse pipewire-pulse
    waitForPulse
    pactl load-module module-null-sink sink_name=glimmer rate=44100 channels=2 >/dev/null ||
        fail "no null sink on PipeWire"
    pactl set-default-sink glimmer
    pactl set-default-source glimmer.monitor
}

waitForPulse() {
    waitForServer "the sound server" 10 "$startedPid" pulseReady
    pactl set-default-sink glimmer 2>/dev/null
    # Low latency: the sink runs at the smallest latency its streams ask
    # for, and pacat's default (2 s) would have it render far ahead.
    startBackground keepalive pacat --playback --raw --latency-msec=10 /dev/zero
}

pulseReady() { pactl info >/dev/null 2>&1; }

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

# Where a w x h window at x,y has its picture: the largest 4:3 area in it,
# centred ("width height x y"); black bars beside or above and below it.
pictureAreaIn() {
    local w="$1" h="$2" x="$3" y="$4" pw ph
    if ((w * 3 > h * 4)); then
        ph=$h pw=$((h * 4 / 3))
    else
        pw=$w ph=$((w * 3 / 4))
    fi
    echo "$pw $ph $((x + (w - pw) / 2)) $((y + (h - ph) / 2))"
}

# The window shows the title in its 4:3 shape: close to the reference
# everywhere (the level meter and sparkle differ a little; a blank,
# shifted, cornered or stretched picture differs by a tenth or more), and,
# in a window of another shape, centred between black bars.
expectTitleIn() {
    local name="$1" w="$2" h="$3" x="$4" y="$5" what="$6" d pw ph px py lx ly lw lh
    read -r pw ph px py <<<"$(pictureAreaIn "$w" "$h" "$x" "$y")"
    if [[ "$pw $ph" != "$w $h" ]]; then
        grab "$name-window" "$w" "$h" "$x" "$y"
        ffmpeg -loglevel error -y -i "$work/$name-window.png" -pix_fmt gray -f rawvideo "$work/$name-window.gray" \
            </dev/null || fail "could not convert the grab"
        read -r _ lx ly lw lh <<<"$(probe area "$work/$name-window.gray" "$w" "$h")"
        (((lw - pw) ** 2 <= (w / 100) ** 2 && (lh - ph) ** 2 <= (h / 100) ** 2 &&
            (x + lx - px) ** 2 <= (w / 100) ** 2 && (y + ly - py) ** 2 <= (h / 100) ** 2)) ||
            fail "$what: the picture is ${lw}x${lh} at $lx,$ly in the ${w}x${h} window, not 4:3 and centred"
    fi
    grab "$name" "$pw" "$ph" "$px" "$py"
    d="$(differenceFromTitle "$name")"
    below "$d" 0.05 || fail "$what: the grab differs from the title by $d"
    note "$what: title drawn ${pw}x${ph} at $((px - x)),$((py - y)) in the window, difference $d"
}

# The picture's area in a window (or a whole screen) shows a 3D scene: not
# the title any more, not blank, and something in every corner (the scenes'
# backgrounds are never black; bars beside a wrongly shaped picture would
# be).
expectScene() {
    local name="$1" what="$6" seconds="${7:-10}" w h x y d mean corners why i c
    read -r w h x y <<<"$(pictureAreaIn "$2" "$3" "$4" "$5")"
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
