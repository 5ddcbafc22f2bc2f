#!/usr/bin/env bash
# Builds the benchmarks optimised, without sanitizers, and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh bench
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZM_SANITIZE=OFF >/dev/null
cmake --build build/bench
shopt -s nullglob
for b in build/bench/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
