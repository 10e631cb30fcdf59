#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite: the Release build
# with warnings as errors and its tests, each case in a process of its own (the real-display
# test among them), the style checks (clang-format and clang-tidy), the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, each test program once with all its cases
# in one process, the tests of the threaded parts under ThreadSanitizer, and a
# bounded fuzzing run. The builds are the CMake presets of CMakePresets.json: `cmake --preset
# release`, `asan`, `tsan`, `fuzz`.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release

echo "== Style: clang-format and clang-tidy"
scripts/check-style.sh build

echo "== Sanitizer build (ASan + UBSan) and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

echo "== ThreadSanitizer build and the tests of the threaded parts (check, open, save, session)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

echo "== Fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
echo "All test stages passed."
