#!/usr/bin/env bash
# Runs the real SnakeYAML 1.33 (Debian's libyaml-snake-java, through SnakeDump.java) and
# PyYAML over the corpus and the written hostile values, and fails on any answer that is
# not the recorded one. Exit 77 (skipped) only when Java or SnakeYAML is not installed.
# Usage: compare_oracles.sh CORPUS_EXPORT_BINARY WORK_DIR
set -euo pipefail
export_tool=$1
# A folder of its own under WORK_DIR for each run: two runs at once never share files.
mkdir -p "$2"
work=$(mktemp -d "$2/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "$0")" && pwd)
jar=/usr/share/java/snakeyaml.jar
if ! command -v java >/dev/null || ! command -v javac >/dev/null || [[ ! -f $jar ]]; then
    echo "java, javac or $jar missing: scripts/setup.sh installs them" >&2
    exit 77
fi
mkdir -p "$work/classes"
javac -d "$work/classes" -cp "$jar" "$here/SnakeDump.java"
"$export_tool" > "$work/cases.tsv"
cut -f1,2 "$work/cases.tsv" > "$work/input.tsv"
java -cp "$work/classes:$jar" SnakeDump < "$work/input.tsv" > "$work/snake.out"
/usr/bin/python3 "$here/pyyaml_dump.py" < "$work/input.tsv" > "$work/pyyaml.out"

paste "$work/cases.tsv" "$work/snake.out" "$work/pyyaml.out" | awk -F'\t' '
    $1 != $5 || $1 != $7 { print "misaligned output at " $1; bad++; next }
    $3 != $6 { print $1 ":\n  SnakeYAML says: " $6 "\n  expected:      " $3; bad++ }
    $4 != "-" && $4 != $8 { print $1 ":\n  PyYAML says: " $8 "\n  expected:    " $4; bad++ }
    END { printf "%d passed, %d failed\n", NR - bad, bad; exit bad > 0 }'
