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
# The editor's own translation units and the benchmarks (not the moc output in the build tree).
# The tests are left out: parsing their Qt and GoogleTest headers took a third of the stage's
# 17 minutes on two cores, they build with every GCC warning as an error and run under the
# sanitizers. The script exits non-zero on any finding (WarningsAsErrors in .clang-tidy).
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -j2 -quiet -extra-arg=-Wno-sign-conversion "$(pwd)/(src|bench)/.*\.cpp$" >"$log" 2>&1; then
    # Its findings without the colour codes it writes them in.
    sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E ' (error|warning): ' | sort -u || cat "$log"
    echo "clang-tidy found the problems above." >&2
    exit 1
fi
echo "style checks passed."
