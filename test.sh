#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite: the Release build's
# tests (the real-display test among them), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run of the YAML escaping.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=2

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== Sanitizer build (ASan + UBSan) and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j"$jobs" --output-on-failure -LE display

if [[ -x scripts/fuzz.sh ]]; then
    echo "== Fuzzing the YAML escaping"
    scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
fi
echo "All test stages passed."
