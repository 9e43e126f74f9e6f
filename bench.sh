#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them all, or those matching $1.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh --bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
shopt -s nullglob
for b in build/bin/bench_*; do
  [[ -n "${1:-}" && "$b" != *"$1"* ]] && continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
