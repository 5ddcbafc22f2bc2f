#!/usr/bin/env bash
# Runs each fuzz target of the native sanitizer build (build/native, made by
# scripts/build.sh, which this builds first unless "--built" comes first)
# for a bounded time on its seed corpus (fuzz/corpus/<name>/). New inputs go
# to a scratch copy, so the kept corpus changes only by hand. Seconds per
# target: the next argument, default 20. Each target's output is in
# build/native/fuzz/<name>.log; its last lines are printed on a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --built ]; then shift; else bash scripts/build.sh native; fi
seconds="${1:-20}"

status=0
shopt -s nullglob
out=build/native/fuzz
for target in "$out"/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"; name="${name#fuzz_}"
  work="$out/work/$name"
  rm -rf "$work"; mkdir -p "$work"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "== fuzz $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="$out/$name-" "$work" > "$out/$name.log" 2>&1; then
    echo "fuzz $name found a failure:"; tail -40 "$out/$name.log"; status=1
  else
    grep -E '^#[0-9]+.*DONE' "$out/$name.log" | tail -1 || true
  fi
done
exit $status
