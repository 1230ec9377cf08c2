#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real demo on a private X server (Xvfb) and plays one window
# scenario against it the way a person would: pressing keys, answering the
# windowed-mode question, closing the window, or having no display at all.
#
#   window_session.sh <scenario> <demo executable> <folder holding Data> <close-request tool>
#
# Scenarios:
#   fullscreen-escape  640x480 server: fullscreen without a question, Escape quits, exit 0
#   question-yes       larger server: the question, Return (Yes) gives a 640x480 window
#   question-no        larger server: the question, Escape (No), "Program Will Now Close.", exit 0
#   close-window       a close request (WM_DELETE_WINDOW) ends the demo, exit 0
#   missing-data       no Data folder anywhere: "Soenderbuggat....." once the window opened, exit 0
#   no-display         no DISPLAY at all: the window error on stderr, exit 0, no crash
#   display-nowhere    DISPLAY names a display that does not exist: stderr names it, nothing else
#   term-in-box        SIGTERM while a missing picture's box is open: box and demo gone at once, exit 0
#   int-in-question    SIGINT while the windowed-mode question is open: ends at once, exit 0
#
# Exit 77 (skipped) when the scenario needs the data set and it is not there.
# GLIMMER_SCREENSHOT_DIR, when set, receives a picture of the screen per scenario.
set -uo pipefail

scenario="$1"
demo="$(realpath "$2")"
datadir="$3"
closetool="$(realpath "$4")"

work="$(mktemp -d)"
windowWaitSeconds=90
source "$(dirname "${BASH_SOURCE[0]}")/../desktop/windows.sh"
xvfbPid=""
demoPid=""

cleanup() {
    if [[ -n "$demoPid" ]] && kill -0 "$demoPid" 2>/dev/null; then
        kill -TERM "$demoPid" 2>/dev/null
        sleep 1
        kill -KILL "$demoPid" 2>/dev/null
    fi
    if [[ -n "$xvfbPid" ]]; then
        kill -TERM "$xvfbPid" 2>/dev/null
        wait "$xvfbPid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*" >&2
    if [[ -f "$work/stderr" ]]; then
        echo "--- demo stderr ---" >&2
        cat "$work/stderr" >&2
    fi
    exit 1
}

startServer() {
    xvfbServer "$1" "$work/display" >/dev/null 2>&1 &
    xvfbPid=$!
    waitForServer Xvfb 20 "$xvfbPid" displayReady "$work/display"
}

# Starts the demo from the given folder, with sound going nowhere.
startDemo() {
    local folder="$1"
    (cd "$folder" && SDL_AUDIODRIVER=dummy exec "$demo") >"$work/stdout" 2>"$work/stderr" &
    demoPid=$!
}

expectOnStderr() {
    grep -qF -- "$1" "$work/stderr" || fail "stderr lacks: $1"
}

expectNotOnStderr() {
    if grep -qF -- "$1" "$work/stderr"; then fail "stderr unexpectedly has: $1"; fi
}

screenshot() {
    [[ -n "${GLIMMER_SCREENSHOT_DIR:-}" ]] || return 0
    local size
    size="$(xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2; exit}')"
    [[ -n "$size" ]] || size="$1"
    mkdir -p "$GLIMMER_SCREENSHOT_DIR"
    ffmpeg -loglevel error -y -f x11grab -video_size "$size" -i "$DISPLAY" -frames:v 1 \
        "$GLIMMER_SCREENSHOT_DIR/$scenario.png" </dev/null ||
        echo "($scenario: no screenshot taken)" >&2
}

needData() {
    if ! find "$datadir" -maxdepth 2 -ipath '*/data/ancool2.mod' 2>/dev/null | grep -q .; then
        echo "SKIP ($scenario): no data set in $datadir/Data yet" >&2
        exit 77
    fi
}

question="The Requested Fullscreen Mode Is Not Supported By"

case "$scenario" in
fullscreen-escape)
    needData
    startServer 640x480x16
    startDemo "$datadir"
    waitForWindow Glimmervandra
    id="$foundWindow"
    read -r w h x y <<<"$(windowGeometry "$id")"
    [[ "$w $h $x $y" == "640 480 0 0" ]] || fail "fullscreen window is ${w}x${h} at $x,$y"
    sleep 2  # let a few frames be drawn
    screenshot 640x480
    pressKey "$id" Escape
    waitForExit 60
    expectCleanExit
    expectNotOnStderr "$question"
    ;;
question-yes)
    needData
    startServer 1024x768x24
    startDemo "$datadir"
    waitForWindow "Vopa GL"
    box="$foundWindow"
    # The refused fullscreen window is gone while the question is asked.
    [[ -z "$(windowsTitled Glimmervandra)" ]] || fail "a demo window is shown beside the question"
    pressKey "$box" Return
    waitForWindow Glimmervandra
    id="$foundWindow"
    read -r w h x y <<<"$(windowGeometry "$id")"
    [[ "$w $h" == "640 480" ]] || fail "windowed client area is ${w}x${h}, expected 640x480"
    [[ "$x $y" == "0 0" ]] || fail "window placed at $x,$y, expected the top-left corner"
    sleep 2
    screenshot 1024x768
    pressKey "$id" Escape
    waitForExit 60
    expectCleanExit
    expectOnStderr "$question"
    ;;
question-no)
    startServer 1024x768x24
    startDemo "$datadir"
    waitForWindow "Vopa GL"
    box="$foundWindow"
    # The refused fullscreen window is gone while the question is asked.
    [[ -z "$(windowsTitled Glimmervandra)" ]] || fail "a demo window is shown beside the question"
    screenshot 1024x768
    pressKey "$box" Escape
    waitForWindow ERROR
    box="$foundWindow"
    pressKey "$box" Return
    waitForExit 60
    expectCleanExit
    expectOnStderr "$question"
    expectOnStderr "Program Will Now Close."
    ;;
close-window)
    needData
    startServer 640x480x16
    startDemo "$datadir"
    waitForWindow Glimmervandra
    id="$foundWindow"
    sleep 1
    "$closetool" "$id" || fail "could not send the close request"
    waitForExit 60
    expectCleanExit
    ;;
missing-data)
    startServer 640x480x16
    # The demo also looks for Data beside its executable: a copy in an empty
    # folder finds none anywhere.
    mkdir -p "$work/empty"
    cp "$demo" "$work/empty/glimmervandra"
    demo="$work/empty/glimmervandra"
    startDemo "$work/empty"
    waitForWindow ERROR
    box="$foundWindow"
    pressKey "$box" Return
    waitForExit 60
    expectCleanExit
    expectOnStderr "Soenderbuggat....."
    ;;
no-display)
    (cd "$datadir" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$demo") \
        >"$work/stdout" 2>"$work/stderr" &
    demoPid=$!
    waitForExit 60
    [[ "$demoStatus" -lt 128 ]] || fail "the demo died of signal $((demoStatus - 128))"
    expectCleanExit
    expectOnStderr "Failed To Register The Window Class."
    ;;
display-nowhere)
    # A display number with no server behind it.
    number=4711
    while [[ -e "/tmp/.X11-unix/X$number" ]]; do number=$((number + 1)); done
    (cd "$datadir" && exec env -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR DISPLAY=":$number" SDL_AUDIODRIVER=dummy \
        "$demo") >"$work/stdout" 2>"$work/stderr" &
    demoPid=$!
    waitForExit 60
    expectCleanExit
    expectOnStderr "Failed To Register The Window Class."
    expectOnStderr "the X display \":$number\" could not be opened"
    # Those two lines and nothing else: no attempts at other kinds of box.
    [[ "$(wc -l <"$work/stderr")" -eq 2 ]] || fail "stderr has more than the two lines"
    ;;
term-in-box)
    needData
    startServer 640x480x16
    # A copy of the demo beside a data set that lacks the last picture.
    mkdir -p "$work/run/Data"
    cp "$demo" "$work/run/glimmervandra"
    demo="$work/run/glimmervandra"
    for file in "$datadir"/Data/*; do
        [[ "$(basename "$file")" == credits.tga ]] || ln -s "$(realpath "$file")" "$work/run/Data/"
    done
    startDemo "$work/run"
    waitForWindow ERROR
    kill -TERM "$demoPid"
    waitForExit 5
    expectCleanExit
    [[ -z "$(windowsTitled ERROR)" ]] || fail "the message box outlived the demo"
    expectOnStderr "Could not open texture file"
    expectOnStderr "Data/credits.tga\": not found in the working directory ($work/run)"
    ;;
int-in-question)
    startServer 1024x768x24
    startDemo "$datadir"
    waitForWindow "Vopa GL"
    kill -INT "$demoPid"
    waitForExit 5
    expectCleanExit
    [[ -z "$(windowsTitled "Vopa GL")$(windowsTitled ERROR)" ]] || fail "a message box is still shown"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"
