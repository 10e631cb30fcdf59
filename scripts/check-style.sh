#!/usr/bin/env bash
# Fails on a formatting difference (clang-format, the repository's .clang-format) or on a
# clang-tidy finding (.clang-tidy) in the project's own sources. Needs a configured build
# directory with compile_commands.json (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "== clang-format on ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"
echo "== clang-tidy"
# Only the project's own translation units: src, tests and bench (not the moc output in the
# build tree). The script exits non-zero on any finding (WarningsAsErrors in .clang-tidy).
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -j2 -quiet -extra-arg=-Wno-sign-conversion "$(pwd)/(src|tests|bench)/.*\.cpp$" >"$log" 2>&1; then
    grep -E ' (error|warning): ' "$log" | sort -u || cat "$log"
    echo "clang-tidy found the problems above." >&2
    exit 1
fi
echo "style checks passed."
