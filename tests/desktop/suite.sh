#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The desktop suite: the real demo on real desktop components started from
# Debian packages — Xorg with real mode switching (dummy video driver),
# openbox, weston, GNOME's mutter and sway (each natively and through
# XWayland; sway at output scale 1 and 2) and the PulseAudio and PipeWire
# sound servers — checked the way a person would see and hear it.
#
#   suite.sh <build folder> [case...]   (the folder with glimmervandra and Data;
#                                        cases by name run one after another)
#
# The windowed case with PipeWire, which measures sound against picture, runs
# alone; the whole-programme run with PulseAudio, which also measures frame
# times, runs beside the cases that only look at pictures, at a lower CPU
# priority once the programme's marks have been heard. Every case starts
# its own servers and stops everything it started when it ends, passes or
# fails; the folder of a case that failed is kept. Exit status 1 when any
# case failed twice.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "${1:?usage: suite.sh <build folder>}" && pwd)"
results="$(mktemp -d /tmp/glimmer-desktop.XXXXXX)"
mkdir -p "$results/running"
reference="$results/title.gray"
# The title's lettering as drawn at 1440x1080, the 4:3 part of a 1920x1080
# output: a band of still, sharp edges, away from the sparkle and the meter.
sharpReference="$results/title-1440x1080.gray"
titleBand=1320:260:60:300
question="The Requested Fullscreen Mode Is Not Supported By"
export build here reference sharpReference titleBand

# A case runs in a subshell of its own with the helpers, its scratch folder
# and the trap that stops what it started; its report goes to <name>.out.
runCase() {
    local name="$1"
    (
        work="$results/$name"
        mkdir -p "$work"
        caseName="$name"
        caseStarted=$SECONDS
        source "$here/lib.sh"
        echo "$BASHPID" >"$results/running/$name"
        trap 'stopAll; rm -f "$results/running/$name"' EXIT
        trap 'exit 143' TERM INT
        "case_$name"
        echo "PASS $name in $((SECONDS - caseStarted)) s"
    ) >"$results/$name.out" 2>&1 &
    # Waiting in the background lets a TERM or INT reach stopCases at once.
    wait $!
    echo $? >"$results/$name.status"
    cat "$results/$name.out"
}

# Stopping the suite stops the cases, which stop their servers.
stopCases() {
    local f
    for f in "$results"/running/*; do [[ -e "$f" ]] && kill -TERM "$(cat "$f")" 2>/dev/null; done
    wait
    exit 130
}
trap stopCases INT TERM
# The folders of cases that failed, even once, stay: their grabs, logs,
# recordings and backtraces are the evidence. The rest goes, unless asked.
keepEvidence() {
    if [[ -n "${GLIMMER_DESKTOP_KEEP:-}" ]]; then
        echo "results kept in $results"
        return
    fi
    local status name kept=()
    for status in "$results"/*.status; do
        name="$(basename "$status" .status)"
        if [[ "$(cat "$status")" == 0 && ! -d "$results/$name.first" ]]; then
            rm -rf "${results:?}/$name"
        else
            kept+=("$name")
        fi
    done
    if ((${#kept[@]})); then
        echo "evidence of ${kept[*]} kept in $results"
    else
        rm -rf "$results"
    fi
}
trap keepEvidence EXIT

# --- X11 with a window manager --------------------------------------------

case_x11_fullscreen() {
    startXorg full 24
    startOpenbox
    startDemo SDL_AUDIODRIVER=dummy
    waitForWindow Glimmervandra
    local demo="$foundWindow"
    expectMode 640x480 "while the demo runs"
    waitForTitle 640 480 0 0 "fullscreen"
    # Another window takes the focus: the mode stays.
    startBackground thief xmessage -geometry +20+20 "another window"
    waitForWindow xmessage 10
    xdotool windowactivate "$foundWindow" 2>/dev/null
    sleep 1
    kill -0 "$demoPid" 2>/dev/null || fail "the demo ended when it lost the focus"
    expectMode 640x480 "after another window took the focus"
    note "focus taken by another window: still 640x480"
    pressKey "$demo" Escape
    waitForExit 20
    expectCleanExit
    expectMode 1024x768 "after Escape"
    grep -qF "$question" "$work/demo.err" && fail "the windowed-mode question was asked"
    note "Escape: exit 0, desktop back at 1024x768; CPU $(cpuShare)"
}

case_x11_wm_close() {
    startXorg full 24
    startOpenbox
    startDemo SDL_AUDIODRIVER=dummy
    waitForWindow Glimmervandra
    expectMode 640x480 "while the demo runs"
    sleep 1
    pressKey "$foundWindow" alt+F4  # openbox's close
    waitForExit 20
    expectCleanExit
    expectMode 1024x768 "after the window manager closed the window"
    note "openbox's close (Alt+F4): exit 0, desktop back at 1024x768; CPU $(cpuShare)"
}

# SIGTERM or SIGINT on a 16-bit desktop.
signalCase() {
    local signal="$1"
    startXorg full 16
    startOpenbox
    xdpyinfo | grep 'depth of root window: *16 planes' >/dev/null || fail "the server is not 16 bits deep"
    startDemo SDL_AUDIODRIVER=dummy
    waitForWindow Glimmervandra
    expectMode 640x480 "while the demo runs"
    waitForTitle 640 480 0 0 "fullscreen at 16 bits"
    kill "-$signal" "$demoPid"
    waitForExit 20
    expectCleanExit
    expectMode 1024x768 "after $signal"
    note "$signal: exit 0, desktop back at 1024x768; CPU $(cpuShare)"
}
case_x11_sigterm() { signalCase TERM; }
case_x11_sigint() { signalCase INT; }

case_x11_question_no() {
    startXorg no640 24
    startOpenbox
    startDemo SDL_AUDIODRIVER=dummy
    waitForWindow "Vopa GL"
    [[ -z "$(windowsTitled Glimmervandra)" ]] || fail "a demo window is shown beside the question"
    expectMode 1024x768 "while the question is asked"
    pressKey "$foundWindow" Escape
    waitForWindow ERROR
    pressKey "$foundWindow" Return
    waitForExit 20
    expectCleanExit
    grep -qF "Program Will Now Close." "$work/demo.err" || fail "no \"Program Will Now Close.\""
    note "no 640x480: the question; No ends with \"Program Will Now Close.\", exit 0"
}

# --- Wayland ----------------------------------------------------------------

# The weston window is the whole outer screen (no window manager there).
seeTitleAndScene() {
    waitForTitle 1024 768 0 0 "$1 fullscreen, 4:3 over the whole output"
    grep -qF "$question" "$work/demo.err" && fail "the windowed-mode question was asked"
    waitUntil 22  # the first scene starts at the music's second mark, 20 s in
    kill -0 "$demoPid" 2>/dev/null || fail "the demo ended early"
    expectScene scene 1024 768 0 0 "$1: the first scene"
}

case_wayland_native() {
    startXorg full 24
    startWeston
    startDemo -u DISPLAY SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=dummy
    markStart
    seeTitleAndScene "native Wayland"
    # Keys reach weston through its X window and go on to the demo; on a
    # busy machine the nested compositor may not have the focus for the
    # first press yet.
    local weston try
    weston="$(windowsTitled 'Weston Compositor - screen0' | head -n1)"
    for try in 1 2 3 4 5; do
        pressKey "$weston" Escape
        sleep 3
        kill -0 "$demoPid" 2>/dev/null || break
    done
    waitForExit 20
    ((try == 1)) || note "Escape pressed $try times"
    expectCleanExit
    note "Escape: exit 0; CPU $(cpuShare)"
}

case_xwayland() {
    startXorg full 24
    startWeston xwayland
    startDemo DISPLAY="$xwaylandDisplay" SDL_AUDIODRIVER=dummy
    markStart
    seeTitleAndScene "XWayland"
    local outer="$DISPLAY"
    DISPLAY="$xwaylandDisplay"
    waitForWindow Glimmervandra 5
    pressKey "$foundWindow" Escape
    DISPLAY="$outer"
    waitForExit 20
    expectCleanExit
    note "Escape: exit 0; CPU $(cpuShare)"
}

# --- The desktops people use: GNOME and sway at 1920x1080 ---------------------

# The demo as a user starts it from a session of that desktop: natively on
# Wayland, or (the default where X11 is offered beside Wayland) through
# XWayland. Each time it must cover the output with its 4:3 picture centred
# between black bars, without the windowed-mode question and without a
# cursor over it, and play its music to the sink. The first run ends with
# Escape, the second with SIGTERM, both with exit code 0.
demoOnDesktop() {
    local path="$1"
    if [[ "$path" == native ]]; then
        startDemo -u DISPLAY SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=pulseaudio
    elif [[ "$compositor" == mutter ]]; then
        startDemo DISPLAY="$xwaylandDisplay" XAUTHORITY="$xwaylandAuthority" SDL_AUDIODRIVER=pulseaudio
    else
        startDemo DISPLAY="$xwaylandDisplay" SDL_AUDIODRIVER=pulseaudio
    fi
}

desktopCase() {
    local path="$1" what="$2" try i
    startPulseAudio
    startRecording
    demoOnDesktop "$path"
    expectPictureCentred "$what" 60
    grep -qF "$question" "$work/demo.err" && fail "the windowed-mode question was asked"
    expectSharp "$path" "$what"
    if [[ "$compositor" == mutter ]]; then
        expectNoCursor "$what"
    else
        note "$what: no pointer device on headless sway (nothing to hide)"
    fi
    sleep 2  # music into the recording
    # A busy compositor may take a moment to give the window the keyboard.
    for try in 1 2 3; do
        pressOnOutput Escape
        for ((i = 0; i < 30; i++)); do
            kill -0 "$demoPid" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    waitForExit 20
    ((try == 1)) || note "Escape pressed $try times"
    expectCleanExit
    [[ -n "$(cpuShare)" ]] || fail "no frame statistics after Escape"
    note "Escape: exit 0; CPU $(cpuShare)"
    expectSoundAtSink

    demoOnDesktop "$path"
    expectPictureCentred "$what, started again" 60
    kill -TERM "$demoPid"
    waitForExit 20
    expectCleanExit
    note "SIGTERM: exit 0; CPU $(cpuShare)"
}

case_mutter_native() {
    startMutter native
    desktopCase native "mutter, native Wayland"
}
case_mutter_xwayland() {
    startMutter xwayland
    desktopCase xwayland "mutter, XWayland"
}
case_sway_native() {
    startSway native 1
    desktopCase native "sway, native Wayland"
}
case_sway_xwayland() {
    startSway xwayland 1
    desktopCase xwayland "sway, XWayland"
}
case_sway_native_scale2() {
    startSway native 2
    desktopCase native "sway at scale 2, native Wayland"
}
case_sway_xwayland_scale2() {
    startSway xwayland 2
    desktopCase xwayland "sway at scale 2, XWayland"
}

# --- Sound servers ----------------------------------------------------------

# Both marks heard where the picture changes: within two video frames.
checkSoundOffsets() {
    local server="$1" out
    out="$(probe offsets "$build" "$work/sound.raw" "$work/frames.txt")" || fail "offsets: $out"
    echo "$out" | sed "s/^/  $caseName: $server /"
    echo "$out" | awk '{score = $12 + 0; chosen = $8; sub(/^\+/, "", chosen); chosen += 0
        if (score < 0.8) {print "the music is not in the recording (score " score ")"; bad = 1}
        else if (chosen > 33 || chosen < -33) {print "mark " $2 " off by " chosen " ms"; bad = 1}}
        END {exit bad}' >"$work/offsets-verdict" || fail "$server: $(cat "$work/offsets-verdict")"
}

# Windowed under openbox, with PipeWire: the question, Yes, then resizing
# during a slide and a scene and maximising; the music's marks on the way.
case_windowed_pipewire() {
    startXorg no640 24
    startOpenbox
    startPipeWire
    startRecording
    startDemo SDL_AUDIODRIVER=pulseaudio
    waitForWindow "Vopa GL"
    pressKey "$foundWindow" Return
    waitForWindow Glimmervandra
    markStart
    local id="$foundWindow" w h x y
    read -r w h x y <<<"$(windowGeometry "$id")"
    [[ "$w $h" == "640 480" ]] || fail "windowed client area is ${w}x${h}"
    expectMode 1024x768 "in windowed mode"
    waitForTitle "$w" "$h" "$x" "$y" "640x480 window"
    local size
    for size in "480 360" "800 600" "640 480"; do
        xdotool windowsize "$id" $size
        sleep 1
        read -r w h x y <<<"$(windowGeometry "$id")"
        [[ "$w $h" == "${size/ /x}" || "$w $h" == "$size" ]] || fail "window is ${w}x${h} after resizing to $size"
        expectTitleIn "slide-$w" "$w" "$h" "$x" "$y" "title resized to ${w}x${h}"
    done
    wmctrl -i -r "$id" -b add,maximized_vert,maximized_horz
    sleep 1
    read -r w h x y <<<"$(windowGeometry "$id")"
    ((w > 800)) || fail "the window did not maximise (${w}x${h})"
    expectTitleIn slide-max "$w" "$h" "$x" "$y" "title maximised to ${w}x${h}"
    wmctrl -i -r "$id" -b remove,maximized_vert,maximized_horz
    xdotool windowsize "$id" 640 480

    waitUntil 22  # the flower scene
    local pass
    for pass in 800x600 maximised; do
        if [[ "$pass" == 800x600 ]]; then
            xdotool windowsize "$id" 800 600
        else
            wmctrl -i -r "$id" -b add,maximized_vert,maximized_horz
        fi
        sleep 1
        read -r w h x y <<<"$(windowGeometry "$id")"
        expectScene "scene-$pass" "$w" "$h" "$x" "$y" "scene in the window ${w}x${h} ($pass)"
    done
    pressKey "$id" Escape
    waitForExit 20
    expectCleanExit
    stopRecording
    checkSoundOffsets PipeWire
    note "CPU $(cpuShare)"
}

# The whole programme, fullscreen under openbox, with PulseAudio: it ends by
# itself and gives the frame times of every row.
case_programme_pulseaudio() {
    startXorg full 24
    startOpenbox
    startPulseAudio
    startRecording
    startDemo SDL_AUDIODRIVER=pulseaudio
    waitForWindow Glimmervandra
    expectMode 640x480 "while the demo runs"
    markStart
    waitForTitle 640 480 0 0 "fullscreen with PulseAudio"
    waitUntil 22
    touch "$results/marks-heard"  # the cases waiting for a quieter machine may start
    waitForExit 260
    expectCleanExit
    expectMode 1024x768 "after the programme ended"
    stopRecording
    checkSoundOffsets PulseAudio
    note "the programme ended by itself: exit 0, desktop back at 1024x768; CPU $(cpuShare)"
    echo "  $caseName: frame times on Xorg (dummy driver, llvmpipe), per row: frames, median ms, p99 ms"
    awk '/^row/ {printf "    row %-3s %6d frames  median %6.2f  p99 %6.2f\n", $2, $3, $4, $5}' "$work/frames.txt"
}

# --- Running ------------------------------------------------------------------

started=$(date +%s)
"$build/glimmervandra-capture" -o "$results/reference" --from 1 --to 1.02 --no-progress >/dev/null 2>&1 &&
    ffmpeg -loglevel error -y -i "$results/reference/frame00000.png" -pix_fmt gray -f rawvideo "$reference" &&
    "$build/glimmervandra-capture" -o "$results/reference-sharp" --from 1 --to 1.02 --size 1440x1080 --no-progress \
        >/dev/null 2>&1 &&
    ffmpeg -loglevel error -y -i "$results/reference-sharp/frame00000.png" -vf "crop=$titleBand" -pix_fmt gray \
        -f rawvideo "$sharpReference" ||
    { echo "FAIL: the capture tool could not render the reference titles"; exit 1; }

lane() { local c; for c in "$@"; do runCase "$c"; done; }
if (($# > 1)); then
    lane "${@:2}"
else
    runCase windowed_pipewire
    runCase programme_pulseaudio &
    # The cases that only look at pictures meanwhile, once the programme's
    # marks have been heard and at a lower priority, so that the
    # whole-programme run keeps its sound timing and frame times.
    lowPriority() {
        local i
        for ((i = 0; i < 600; i++)); do
            [[ -e "$results/marks-heard" ]] && break
            sleep 0.1
        done
        renice -n 10 -p "$BASHPID" >/dev/null && lane "$@"
    }
    lowPriority x11_fullscreen x11_wm_close x11_sigterm x11_sigint x11_question_no &
    lowPriority wayland_native xwayland sway_native sway_xwayland &
    lowPriority mutter_native mutter_xwayland sway_native_scale2 sway_xwayland_scale2 &
    wait
fi

# A case that failed runs once more, alone on the machine: the cases share
# two cores with each other (and with whatever else runs), and a desktop
# stack under load can miss a moment a person would not. A case that fails
# twice fails the suite; one that passed only on its second run is named.
retried=()
for status in "$results"/*.status; do
    [[ "$(cat "$status")" == 0 ]] && continue
    name="$(basename "$status" .status)"
    echo "RETRY $name: failed once, running it again alone"
    mv "$results/$name" "$results/$name.first"
    runCase "$name"
    retried+=("$name")
done

failed=0
for status in "$results"/*.status; do [[ "$(cat "$status")" == 0 ]] || failed=1; done
echo "desktop suite: $(grep -l '^0$' "$results"/*.status | wc -l) of $(ls "$results"/*.status | wc -l) cases passed" \
    "in $(($(date +%s) - started)) s${retried[*]:+ (run twice: ${retried[*]})}"
exit $failed
