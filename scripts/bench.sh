#!/usr/bin/env bash
# Builds the benchmarks optimised, without sanitizers, and runs them all.
# The Windows build and Wine serve the benchmark of the client under Wine
# (bench_list_wine), which runs in a virtual display of its own, and the
# search benchmark's Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh bench
bash scripts/build.sh win64
# The benchmarks are no part of the default builds (the tests never run them).
cmake --build build/win64 --target benchmarks
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZM_SANITIZE=OFF >/dev/null
cmake --build build/bench --target benchmarks
source scripts/wine-env.sh
start_display
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "${ZM_XVFB_PID:-}" ]; then kill "$ZM_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
export ZM_DIST="${ZM_DIST:-$PWD/build/win64/dist}"
shopt -s nullglob
for b in build/bench/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
# The "Message" search as users under Wine meet it: every message's header
# and parts read through the Windows build's files.
echo "== bench_search under Wine (5,000 messages)"
wine build/win64/bench/bench_search.exe 5000
