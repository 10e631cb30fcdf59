#!/usr/bin/env bash
# Pictures of the "插件文件夹" panel beside the form, on a copy of the hand-written test folder
# (tests/project/plugin, with a link and a pipe): the folder with an entry loaded into its page, a
# filter typed into the panel, and the findings of 检查文件夹 with one double-clicked (its file
# open in the configuration panel, the caret on its line). Under Xvfb with a window manager, light
# and dark (qt6ct's "darker" scheme), driving the editor through its automation interface and
# xdotool.
# Usage: scripts/folder-screenshots.sh [OUTDIR] [WIDTHxHEIGHT] [SCALE]
#        (default docs/screenshots 1366x768 1)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
size=${2:-1366x768}
scale=${3:-1}
editor=${EDITOR_BIN:-build/src/app/quorvel-editor}
[[ -x $editor ]] || { echo "no editor at $editor: build it first" >&2; exit 1; }
for tool in Xvfb openbox import convert xdotool python3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install xvfb openbox imagemagick xdotool)" >&2; exit 77; }
done
mkdir -p "$out"
work=$(mktemp -d)
display=:$((150 + RANDOM % 50))
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids=()
trap 'exec 7>&- 2>/dev/null || true; kill "${pids[@]}" $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

folder=$work/plugins/Quorvel
mkdir -p "$work/plugins"
cp -r tests/project/plugin "$folder"
ln -s "$folder/sockets.yml" "$folder/linked.yml"
mkfifo "$folder/pipe.yml"

# Where the panel is on the screen: the layout op's folder dock, in the window's logical pixels.
dock() {  # prints x y width height
    python3 -c 'import json,sys; d=json.loads(sys.stdin.readline())["parts"]["folder"]; print(d["x"], d["y"], d["width"], d["height"])'
}
# A point of the dock, from its left and top edges in logical pixels, in the screen's pixels.
point() {  # x y left top
    python3 -c "print(round(($1 + $3) * $scale), round(($2 + $4) * $scale))"
}

shoot() {
    local suffix=$1
    shift
    rm -f "$work/in" "$work/out"
    mkfifo "$work/in"
    : >"$work/out"
    env "$@" QT_SCALE_FACTOR="$scale" XDG_DATA_HOME="$work/data-$suffix" XDG_CONFIG_HOME="$work/config" \
        "$editor" --script "$work/in" >"$work/out" 2>/dev/null &
    local editor_pid=$!
    exec 7>"$work/in"
    local asked=0
    ask() {  # one request; waits for its reply and prints it
        echo "$1" >&7
        asked=$((asked + 1))
        for _ in $(seq 200); do [[ $(wc -l <"$work/out") -ge $asked ]] && break; sleep 0.05; done
        tail -n 1 "$work/out"
    }
    sleep 2
    ask "{\"op\":\"set\",\"control\":\"编辑框1\",\"text\":\"/socket load gems sapphire 1 Steve\\n/socket load gems diamond 2 Alex\\n/attribute element ice 10 2\\n\"}" >/dev/null
    ask "{\"op\":\"folder\",\"path\":\"$folder\"}" >/dev/null
    ask '{"op":"open-entry","file":"sockets.yml","entry":"ruby"}' >/dev/null
    sleep 1
    import -window root "$out/folder-$suffix.png"

    # The filter: clicked, then typed as a person types.
    read -r x y w h < <(ask '{"op":"layout"}' | dock)
    read -r px py < <(point "$x" "$y" $((w / 2)) 120)
    xdotool mousemove "$px" "$py" click 1
    sleep 0.3
    xdotool type --delay 80 "红宝石"
    sleep 1
    import -window root "$out/folder-filter-$suffix.png"

    # The findings, the second one double-clicked: its file opened, the caret on its line.
    ask '{"op":"trigger","action":"check-folder"}' >/dev/null
    sleep 1
    read -r x y w h < <(ask '{"op":"layout"}' | dock)
    read -r px py < <(point "$x" "$y" 40 162)
    xdotool mousemove "$px" "$py" click --repeat 2 --delay 120 1
    sleep 1
    import -window root "$out/folder-findings-$suffix.png"
    exec 7>&-
    wait "$editor_pid" || true
}

shoot light
mkdir -p "$work/config/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
    >"$work/config/qt6ct/qt6ct.conf"
shoot dark QT_QPA_PLATFORMTHEME=qt6ct
echo "screenshots in $out/"
