#!/usr/bin/env bash
# Pictures of the colour tool beside a name field, with a gradient in the field's preview strip,
# on a light and on a dark palette (qt6ct's "darker" scheme), under Xvfb with a window
# manager, driving the editor through its automation interface.
# Usage: scripts/colour-screenshots.sh [OUTDIR]  (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
editor=${EDITOR_BIN:-build/src/app/quorvel-editor}
[[ -x $editor ]] || { echo "no editor at $editor: build it first" >&2; exit 1; }
for tool in Xvfb openbox import convert; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install xvfb openbox imagemagick)" >&2; exit 77; }
done
mkdir -p "$out"
work=$(mktemp -d)
display=:$((50 + RANDOM % 50))
Xvfb "$display" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids=()
trap 'exec 7>&- 2>/dev/null || true; kill "${pids[@]}" $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# One run of the editor: a gradient on the item name of the "其他" page (/setname), the tool
# opened beside it, then the whole screen.
shoot() {
    local name=$1
    shift
    rm -f "$work/in"
    mkfifo "$work/in"
    env "$@" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" "$editor" --script "$work/in" \
        >"$work/out" 2>/dev/null &
    local editor_pid=$!
    exec 7>"$work/in"
    send() { echo "$1" >&7; sleep 0.6; }
    sleep 2
    send '{"op":"set","control":"编辑框98","text":"&l宝石之力 · 烈焰"}'
    send '{"op":"set-selection","control":"编辑框98","start":2,"end":11}'
    send '{"op":"colour","control":"编辑框98","gradient":{"colors":["#ff5555","#ffaa00","#5555ff"],"formats":"l"}}'
    send '{"op":"colour","control":"编辑框98","open":true}'
    sleep 1
    # The screen's empty black around the windows is cut off.
    import -window root "$out/$name.png"
    convert "$out/$name.png" -fuzz 2% -trim +repage "$out/$name.png"
    exec 7>&-
    wait "$editor_pid" || true
}

shoot colour-tool-light
mkdir -p "$work/config/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
    >"$work/config/qt6ct/qt6ct.conf"
shoot colour-tool-dark QT_QPA_PLATFORMTHEME=qt6ct
echo "screenshots in $out/"
