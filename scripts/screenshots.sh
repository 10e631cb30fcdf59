#!/usr/bin/env bash
# Takes a screenshot of every page and every window of the editor under Xvfb, driving it
# through its automation interface. Usage: scripts/screenshots.sh [OUTDIR]  (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
editor=${EDITOR_BIN:-build/src/app/quorvel-editor}
mkdir -p "$out"
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'exec 7>&- 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
mkfifo "$work/in"
"$editor" --script "$work/in" >"$work/out" 2>/dev/null &
exec 7>"$work/in"
send() { echo "$1" >&7; sleep 0.5; }
shot() { import -window root ${2:+-crop "$2"} "$out/$1.png"; }
sleep 1.5
names=(intro attribute skill buff gem element item other)
for page in "${!names[@]}"; do
    send "{\"op\":\"page\",\"index\":$page}"
    shot "page-$page-${names[$page]}" 1000x722+50+50
done
send '{"op":"page","index":0}'
shot main 1000x722+50+50
for window in 按钮23:passive-skill 按钮52:attribute-variables 按钮53:attribute-list 按钮70:more-commands; do
    send '{"op":"page","index":7}'
    send "{\"op\":\"click\",\"control\":\"${window%%:*}\"}"
    shot "window-${window##*:}"
    id=$(grep -o '"0x5201[0-9A-F]*"' <<<"$(send '{"op":"windows"}'; tail -n1 "$work/out")" | tail -n1 | tr -d '"')
    send "{\"op\":\"close\",\"window\":\"$id\"}"
done
echo "screenshots in $out/"
