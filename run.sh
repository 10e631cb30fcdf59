#!/usr/bin/env bash
# Installs what is missing, builds the editor (Release, in build/) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target quorvel-editor
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display: set DISPLAY (for example run it under Xvfb) to start the editor." >&2
    exit 1
fi
exec build/src/app/quorvel-editor "$@"
