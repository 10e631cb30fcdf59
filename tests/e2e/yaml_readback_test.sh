#!/usr/bin/env bash
# Every hostile value in every field that the YAML blocks write without quotes, through the
# real editor, read back by the server's own YAML reader (SnakeYAML). Exits 77 (a skip) when
# Java or SnakeYAML is not installed; scripts/setup.sh installs both.
# Usage: yaml_readback_test.sh EDITOR
set -euo pipefail
editor=${1:?usage: yaml_readback_test.sh EDITOR}
here=$(cd "$(dirname "$0")/yaml_readback" && pwd)
jar=/usr/share/java/snakeyaml.jar
if ! command -v javac >/dev/null || [[ ! -f $jar ]]; then
    echo "SKIP: javac or $jar missing (packages default-jdk-headless, libyaml-snake-java)"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-readback.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
export XDG_DATA_HOME=$work/data  # templates the editor saves stay in the scratch folder
mkdir -m 700 "$XDG_RUNTIME_DIR"
javac -d "$work" -cp "$jar" "$here/ReadBack.java"
python3 "$here/readback.py" "$editor" "$work:$jar"
