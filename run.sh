#!/usr/bin/env bash
# Installs what is missing, builds Release into build/ and starts Quorel with
# the simulated cameras. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display found (DISPLAY is not set)." >&2
  echo "Run Quorel on a virtual display instead:" >&2
  echo "  xvfb-run -a -s '-screen 0 1600x1000x24' build/bin/quorel" >&2
  exit 1
fi
exec build/bin/quorel "$@"
