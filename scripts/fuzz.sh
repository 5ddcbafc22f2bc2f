#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time on its
# seed corpus (fuzz/corpus/<name>/). New inputs go to a scratch copy, so the
# kept corpus changes only by hand. Seconds per target: $1, default 20.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZM_FUZZ=ON >/dev/null
cmake --build build/fuzz

status=0
shopt -s nullglob
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"; name="${name#fuzz_}"
  work="build/fuzz/work/$name"
  rm -rf "$work"; mkdir -p "$work"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "== fuzz $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="build/fuzz/$name-" "$work" > "build/fuzz/$name.log" 2>&1; then
    echo "fuzz $name found a failure:"; tail -40 "build/fuzz/$name.log"; status=1
  else
    grep -E '^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -1 || true
  fi
done
exit $status
