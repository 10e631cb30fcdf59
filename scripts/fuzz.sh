#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs the YAML escaping fuzzer
# for SECONDS (default 60) over a copy of the seed corpus, so the corpus in the tree stays
# as it is. Exits non-zero when the fuzzer finds a crash or a wrong round trip; the input
# that did it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
case "$seconds" in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j2 --target yaml_escape_fuzzer

corpus=build-fuzz/corpus/yaml_escape
rm -rf "$corpus"
mkdir -p "$corpus" build-fuzz/artifacts
cp fuzz/corpus/yaml_escape/* "$corpus"/
echo "== yaml_escape_fuzzer for ${seconds} s"
build-fuzz/fuzz/yaml_escape_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ "$corpus"
