#!/usr/bin/env bash
# The editor under input that earlier broke it, through the real executable: every script
# line answered whatever happens to the main window, scripts it cannot read or reply to
# refused with a message and a non-zero exit, a display that is set but unusable named in one
# line with exit 1, and memory that runs out inside Qt ending in the runtime's fatal error.
#
# Usage: hostile_input_test.sh EDITOR SANITIZED   (SANITIZED: 1 for the sanitizer build)
set -uo pipefail

editor=${1:?usage: hostile_input_test.sh EDITOR SANITIZED}
sanitized=${2:-0}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-hostile.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=$work/runtime
export XDG_DATA_HOME=$work/data  # templates the editor saves stay in the scratch folder
mkdir -m 700 "$XDG_RUNTIME_DIR"
failures=0

check() {  # DESCRIPTION CONDITION...
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}

# --- every line gets exactly one reply, also after the main window is closed ---------------
{
    echo '{"op":"set","control":"编辑框2","text":"7"}'
    echo '{"op":"close"}'
    for _ in $(seq 10000); do echo '{"op":"windows"}'; done
} >"$work/many.jsonl"
timeout 120 "$editor" --script - <"$work/many.jsonl" >"$work/many.out" 2>"$work/many.err"
status=$?
check "10,002 lines in one write: exit 0 at the end of the input" test "$status" -eq 0
check "10,002 lines in one write: 10,002 replies" test "$(wc -l <"$work/many.out")" -eq 10002
check "after the close, each line says the main window is closed" \
    test "$(grep -c 'the main window is closed' "$work/many.out")" -eq 10000

# --- scripts that cannot be read, replies that cannot be written -------------------------------
mkdir "$work/folder"
timeout 20 "$editor" --script "$work/folder" >/dev/null 2>"$work/folder.err"
status=$?
check "--script FOLDER: non-zero exit" test "$status" -ne 0 -a "$status" -ne 124
check "--script FOLDER: says it is a folder" grep -q 'folder' "$work/folder.err"

timeout 20 "$editor" --script - <&- >/dev/null 2>"$work/stdin.err"
status=$?
check "closed standard input: non-zero exit, no wait" test "$status" -ne 0 -a "$status" -ne 124
check "closed standard input: says so" grep -q 'standard input is closed' "$work/stdin.err"

echo '{"op":"windows"}' >"$work/one.jsonl"
timeout 20 "$editor" --script "$work/one.jsonl" >&- 2>"$work/stdout.err"
status=$?
check "closed standard output: non-zero exit" test "$status" -ne 0 -a "$status" -ne 124
check "closed standard output: says so" grep -q 'standard output is closed' "$work/stdout.err"

if [[ -w /dev/full ]]; then
    timeout 20 "$editor" --script "$work/one.jsonl" >/dev/full 2>"$work/full.err"
    status=$?
    check "full standard output: non-zero exit" test "$status" -ne 0 -a "$status" -ne 124
    check "full standard output: says so" grep -q 'cannot write a reply' "$work/full.err"
fi

# A script whose name is GBK bytes, not UTF-8 ("你好.jsonl").
gbk_name=$work/$'\xc4\xe3\xba\xc3'.jsonl
cp "$work/one.jsonl" "$gbk_name"
timeout 20 "$editor" --script "$gbk_name" >"$work/gbk.out" 2>"$work/gbk.err"
status=$?
check "a script named in GBK bytes opens" test "$status" -eq 0 -a "$(cat "$work/gbk.out")" = '{"ok":true,"windows":["0x52010001"]}'

# --- a display that is set but unusable ----------------------------------------------------
bad_display() {  # DESCRIPTION ENV...
    local what=$1
    shift
    env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$@" timeout 30 "$editor" </dev/null >/dev/null 2>"$work/display.err"
    local code=$?
    check "$what: exit 1" test "$code" -eq 1
    check "$what: one line" test "$(wc -l <"$work/display.err")" -eq 1
    check "$what: says how to start the editor" grep -q 'QT_QPA_PLATFORM=offscreen' "$work/display.err"
    check "$what: no Qt abort text" bash -c "! grep -q 'Reinstalling' '$work/display.err'"
}
bad_display "DISPLAY=:55 with no server" DISPLAY=:55
bad_display "DISPLAY=garbage" DISPLAY=garbage
bad_display "WAYLAND_DISPLAY without a compositor" WAYLAND_DISPLAY=quorvel-none XDG_SESSION_TYPE=wayland
bad_display "QT_QPA_PLATFORM=bogus" QT_QPA_PLATFORM=bogus

# --- memory that runs out inside Qt ---------------------------------------------------------
# A 400 MB script line with 1 GB of address space: Qt's byte array cannot grow and throws;
# the editor ends with its own fatal error (exit -1, 255 to the shell), not an abort.
if [[ $sanitized != 1 ]]; then
    python3 -c 'import sys; sys.stdout.write("{\"op\":\"text\",\"control\":\"" + "a" * 400_000_000 + "\"}\n")' |
        (ulimit -v 1000000 && exec timeout 120 "$editor" --script -) >/dev/null 2>"$work/oom.err"
    status=$?
    check "out of memory inside Qt: exit 255" test "$status" -eq 255
    check "out of memory inside Qt: the runtime's message" grep -q '分配 [0-9]* 字节内存失败!' "$work/oom.err"
    check "out of memory inside Qt: no abort" bash -c "! grep -q 'terminate called' '$work/oom.err'"
fi

if ((failures > 0)); then
    echo "$failures checks failed"
    exit 1
fi
echo "PASS: hostile input"
