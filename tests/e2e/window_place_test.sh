#!/usr/bin/env bash
# The main window on real X displays with a window manager (Xvfb and openbox): on a 1366x768
# screen it fits whole on the first start; moved by the user, it comes back exactly where it
# was at every start (the content, not a title bar higher each time); a place that no screen
# shows any more puts it on the screen.
#
# Usage: window_place_test.sh EDITOR      Exits 77 (a skip) when a tool is missing.
set -euo pipefail
editor=${1:?usage: window_place_test.sh EDITOR}
for tool in Xvfb openbox wmctrl xdotool xdpyinfo xwininfo xprop python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-place.XXXXXX")
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
failures=0
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

check() {  # what, condition...
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$work/display")
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
# The window manager is up once it has claimed the screen; started again when it could not
# open the display yet (a loaded machine).
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for _ in 1 2 3 4 5; do
    openbox >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 400); do { wm_up || ! kill -0 "$wm" 2>/dev/null; } && break; sleep 0.05; done
    kill -0 "$wm" 2>/dev/null && wm_up && break
done
pids+=($wm)
wm_up || { echo "FAIL: openbox does not start"; exit 1; }

session=$work/session.json
window() { xdotool search --name '^Tarnwick Quorvel编辑器$' 2>/dev/null | head -n1; }
# The frame's place and size on the screen: the content's as the X server has it, with the
# window manager's frame extents around it: x y width height.
frame() {
    local x y w h left right top bottom
    read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^  Width/ { w = $NF } /^  Height/ { h = $NF } END { print x, y, w, h }')
    read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS | tr -d ',' | awk '{ print $3, $4, $5, $6 }')
    echo $((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))
}
# Waits until the window is framed and its place has stayed the same for a few looks: the
# editor puts itself right once the window manager has framed it.
settled() {
    local last= same=0 now
    for _ in $(seq 600); do
        now=
        [[ -n $(window) ]] && xprop -id "$(window)" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '=' && now=$(frame "$(window)")
        if [[ -n $now && $now == "$last" ]]; then
            same=$((same + 1))
            ((same >= 10)) && return 0
        else
            same=0
        fi
        last=$now
        sleep 0.05
    done
    return 1
}
start() {
    "$editor" --session "$session" --autosave-delay 100 >/dev/null 2>"$work/editor.err" &
    editor_pid=$!
    pids+=($editor_pid)
    settled || echo "note: the window's place did not settle"
}
stop() {
    wmctrl -c 'Tarnwick Quorvel编辑器'
    for _ in $(seq 100); do kill -0 "$editor_pid" 2>/dev/null || break; sleep 0.05; done
}
fits() {  # x y w h on 1366x768
    local x=$1 y=$2 w=$3 h=$4
    ((x >= 0 && y >= 0 && x + w <= 1366 && y + h <= 768))
}

start
read -r x y w h <<<"$(frame "$(window)")"
check "the first start fits a 1366x768 screen ($x,$y ${w}x$h)" fits "$x" "$y" "$w" "$h"
xdotool windowmove "$(window)" 120 40
settled || echo "note: the window's place did not settle after the move"
read -r mx my mw mh <<<"$(frame "$(window)")"
stop
for run in 1 2 3; do
    start
    read -r x y w h <<<"$(frame "$(window)")"
    check "start $run: where the user left it ($x,$y against $mx,$my, ${w}x$h against ${mw}x$mh)" \
        test "$x $y $w $h" = "$mx $my $mw $mh"
    stop
done
# A monitor unplugged: the session's place is far to the right of any screen.
python3 - "$session" <<'PY'
import json, sys
path = sys.argv[1]
with open(path, encoding="utf-8") as f:
    session = json.load(f)
for window in session["windows"]:
    window["x"] = 4000
    window["y"] = 3000
with open(path, "w", encoding="utf-8") as f:
    json.dump(session, f)
PY
start
read -r x y w h <<<"$(frame "$(window)")"
check "a place no screen shows comes back onto the screen ($x,$y ${w}x$h)" fits "$x" "$y" "$w" "$h"
stop
exit $((failures > 0))
