# SPDX-License-Identifier: MIT
# Waiting for servers to start, finding, measuring and using X windows the
# way a person would, and waiting for the demo to end: shared by the desktop
# suite (lib.sh) and the window sessions on Xvfb
# (tests/scripts/window_session.sh). The sourcing script provides fail
# (report and exit) and sets demoPid to the running demo; windowWaitSeconds,
# when set, is how long a window is waited for by default (60 s otherwise).

# Asks `ready` (a command and its arguments) every tenth of a second until it
# answers yes, as long as the server's process `pid` lives; fails after
# `seconds`, or at once when the server ended.
waitForServer() {
    local what="$1" seconds="$2" pid="$3" i
    shift 3
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    fail "$what did not start"
}

# An Xvfb screen ("WxHxDEPTH") on a display number it picks itself, so that
# parallel runs never share a server; the number goes to `file`. Run it in
# the background: it becomes the server (exec), so its pid is the server's.
xvfbServer() {
    exec Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$2"
}

# Whether an X server started with -displayfd has written its display number
# to `file` and answers there; once it does, it is the current display.
displayReady() {
    [[ -s "$1" ]] || return 1
    export DISPLAY=":$(head -n1 "$1")"
    unset WAYLAND_DISPLAY
    xdpyinfo >/dev/null 2>&1
}

# Ids of the viewable windows titled exactly so (xwininfo: xdotool's search
# misses SDL's message boxes, whose titles are UTF-8 strings).
windowsTitled() {
    local title="$1" id
    for id in $(xwininfo -root -tree 2>/dev/null | awk -v want="\"$title\":" 'index($0, want) {print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep 'Map State: IsViewable' >/dev/null && echo "$id"
    done
}

# Waits for a viewable window with exactly this title; its id goes to
# foundWindow. (Not a command substitution: a failure must end the script.)
waitForWindow() {
    local title="$1" seconds="${2:-${windowWaitSeconds:-60}}" i
    foundWindow=""
    for ((i = 0; i < seconds * 10; i++)); do
        foundWindow="$(windowsTitled "$title" | head -n1)"
        [[ -n "$foundWindow" ]] && return 0
        [[ -n "${demoPid:-}" ]] && ! kill -0 "$demoPid" 2>/dev/null && fail "the demo ended before '$title' appeared"
        sleep 0.1
    done
    fail "no window titled '$title' after ${seconds}s"
}

# Client-area width, height, x and y of a window.
windowGeometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x = $NF} /Absolute upper-left Y:/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print w, h, x, y}'
}

# Focuses a window as a person would (pointer into it: without a window
# manager the keyboard follows the pointer; then the focus) and presses a
# key there.
pressKey() {
    local id="$1" key="$2" w h x y
    read -r w h x y <<<"$(windowGeometry "$id")"
    xdotool mousemove "$((x + w / 2))" "$((y + h / 2))"
    xdotool windowactivate "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null
    sleep 0.3
    xdotool key --clearmodifiers "$key"
}

# Waits for the demo to end; its exit status goes to demoStatus.
waitForExit() {
    local seconds="${1:-30}" i
    for ((i = 0; i < seconds * 10; i++)); do
        if ! kill -0 "$demoPid" 2>/dev/null; then
            wait "$demoPid"
            demoStatus=$?
            demoPid=""
            return 0
        fi
        sleep 0.1
    done
    fail "the demo did not end within ${seconds}s"
}

expectCleanExit() {
    [[ "$demoStatus" -eq 0 ]] || fail "exit status $demoStatus, expected 0"
}
