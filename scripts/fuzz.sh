#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each of them over a copy
# of its seed corpus, splitting SECONDS (default 60) evenly between them, so the corpora in
# the tree stay as they are. Exits non-zero when a fuzzer finds a crash, a hang or a wrong
# round trip; the input that did it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
case "$seconds" in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

# fuzzer name = corpus folder name + "_fuzzer"
fuzzers=(yaml_escape yaml_reader yaml_scalar rcon_packet session_reader sftp_packet)
each=$(( seconds / ${#fuzzers[@]} ))
(( each >= 1 )) || each=1

cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j2 --target "${fuzzers[@]/%/_fuzzer}"

mkdir -p build-fuzz/artifacts
for name in "${fuzzers[@]}"; do
    corpus=build-fuzz/corpus/$name
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp fuzz/corpus/"$name"/* "$corpus"/
    echo "== ${name}_fuzzer for ${each} s"
    build-fuzz/fuzz/"${name}_fuzzer" -max_total_time="$each" -max_len=4096 -timeout=10 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ "$corpus"
done
