#!/usr/bin/env bash
# Updated entries read back by the server's own YAML reader (SnakeYAML) and by PyYAML. Exits 77
# (a skip) when Java or SnakeYAML is not installed; scripts/setup.sh installs both.
# Usage: readback_test.sh CASES_BINARY
set -euo pipefail
cases=${1:?usage: readback_test.sh CASES_BINARY}
here=$(cd "$(dirname "$0")" && pwd)
readback=$here/../../e2e/yaml_readback/ReadBack.java
jar=/usr/share/java/snakeyaml.jar
if ! command -v java >/dev/null || ! command -v javac >/dev/null || [[ ! -f $jar ]]; then
    echo "SKIP: java, javac or $jar missing (packages default-jdk-headless, libyaml-snake-java)"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-entries-readback.XXXXXX")
trap 'rm -rf "$work"' EXIT
javac -d "$work" -cp "$jar" "$readback"
"$cases" >"$work/cases.tsv"
python3 "$here/readback.py" "$work/cases.tsv" "$work:$jar"
