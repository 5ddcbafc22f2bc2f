#!/usr/bin/env bash
# Builds both targets and runs every test: the unit tests natively under the
# sanitizers and under Wine, then the end-to-end tests of the client. The
# transport tests talk to real mail servers (tests/servers), which run on
# loopback for the time of the test runs; their ports and accounts reach the
# tests as the ZM_* variables of the servers' env.sh.
#
# The native tests run while the Windows programs build. The Windows tests
# mostly wait on Wine, so the fuzz targets run meanwhile,
# and the Windows tests run in ZM_WINDOWS_SHARDS shards (2 unless set; 1 runs
# them one after another as ctest does by hand), each shard with a display, a
# Wine prefix and mail servers of its own. A summary of every phase's time
# ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
shards="${ZM_WINDOWS_SHARDS:-2}"
[[ "$shards" =~ ^[12]$ ]] || { echo "test.sh: ZM_WINDOWS_SHARDS is 1 or 2" >&2; exit 2; }

# Phase times for the summary: name and seconds, in the order they ended.
times=()
started=$SECONDS
phase_began=$SECONDS
phase_done() {
  times+=("$(printf '%-34s %4dm%02ds' "$1" $(( (SECONDS - phase_began) / 60 )) $(( (SECONDS - phase_began) % 60 )))")
  phase_began=$SECONDS
}
# Every test's output goes into one log as well; the failures are repeated
# just above the phase times, where a reader of a long log looks first.
test_log=build/test-output.log
failures() {
  local digest="" fuzz=""
  if [ -s "$test_log" ]; then
    digest=$(grep -E -A4 '^\[  FAILED  \] [^ ]+ \(|: Failure$|^(FAIL|ERROR): |^[A-Za-z]*Error: ' "$test_log" \
      | grep -v -E '^(\[ (RUN|      OK) |\[-+\]|--$|$)' | head -n 60) || true
  fi
  # A fuzz target's finding: its name, what it died of and the input.
  if [ -s "${fuzz_log:-}" ]; then
    fuzz=$(grep -E '^fuzz .* found a failure|^SUMMARY: |^Base64: |in LLVMFuzzerTestOneInput' "$fuzz_log" | head -n 20) || true
  fi
  digest="$digest${digest:+${fuzz:+$'\n'}}$fuzz"
  [ -n "$digest" ] || return 0
  echo "== failures (the first 60 lines of them; the whole output is above)"
  echo "$digest"
}
summary() {
  failures
  echo "== time of each phase"
  local line
  for line in "${times[@]}"; do echo "  $line"; done
  printf '  %-34s %4dm%02ds\n' "all" $(( (SECONDS - started) / 60 )) $(( (SECONDS - started) % 60 ))
}

echo "== set-up"
# The compilers first; Wine, the mail servers and the rest install while
# the native build runs (on a machine that has them all, neither waits).
bash scripts/setup.sh build
mkdir -p build
setup_log=build/setup.log
bash scripts/setup.sh > "$setup_log" 2>&1 &
setup_pid=$!
phase_done "set-up (packages)"
echo "== build: native sanitizer build, unit tests and fuzz targets (build/native)"
bash scripts/build.sh native
phase_done "build native"
setup_rc=0
wait "$setup_pid" || setup_rc=$?
cat "$setup_log"
if [ "$setup_rc" != 0 ]; then
  echo "test.sh: FAILED: scripts/setup.sh could not install what the tests need (see above)" >&2
  exit 1
fi
phase_done "set-up (packages, rest beside the build)"

servers=""
servers2=""
xvfb2=""
fuzz_pid=""
native_pid=""
cleanup() {
  local rc=$?
  if [ -n "$fuzz_pid" ]; then kill "$fuzz_pid" 2>/dev/null || true; fi
  if [ -n "$native_pid" ]; then kill "$native_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  if [ "$shards" = 2 ]; then WINEPREFIX="$PWD/build/wineprefix-2" wineserver -k 2>/dev/null || true; fi
  local dir
  for dir in "$servers" "$servers2"; do
    [ -n "$dir" ] || continue
    if bash tests/servers/stop.sh "$dir"; then
      rm -rf "$dir"
    else
      echo "test.sh: FAILED: not every mail server process of $dir ended" >&2
      rc=1
    fi
  done
  if [ -n "${ZM_XVFB_PID:-}" ]; then kill "$ZM_XVFB_PID" 2>/dev/null || true; fi
  if [ -n "$xvfb2" ]; then kill "$xvfb2" 2>/dev/null || true; fi
  summary
  exit "$rc"
}
trap cleanup EXIT
# An interrupted run stops the servers as well.
trap 'exit 130' INT
trap 'exit 143' TERM

echo "== set-up: Wine prefix, display and mail servers"
source scripts/wine-env.sh
start_display
status=0
start_servers() {
  local dir
  dir=$(mktemp -d /tmp/zms.XXXXXX)
  echo "$dir"
  if ! bash tests/servers/start.sh "$dir" >&2; then
    echo "test.sh: FAILED: the mail servers that the transport tests need did not start (see above)" >&2
    return 1
  fi
  if ! bash tests/servers/selftest.sh --check "$dir" >&2; then
    echo "test.sh: FAILED: the mail servers do not behave as the transport tests expect (see above)" >&2
    return 2
  fi
}
# Both sets start before either's env.sh is read: start.sh takes set ports
# from the environment and chooses free ones only when none is set.
rc=0; servers=$(start_servers) || rc=$?
[ "$rc" = 1 ] && exit 1; [ "$rc" = 0 ] || status=1
shard_dir="$PWD/build/shards"
if [ "$shards" = 2 ]; then
  rc=0; servers2=$(start_servers) || rc=$?
  [ "$rc" = 1 ] && exit 1; [ "$rc" = 0 ] || status=1
  # The second shard's prefix: a copy of the first as wine-env.sh left it,
  # made again whenever that one was made or brought up to date.
  prefix2="$PWD/build/wineprefix-2"
  if [ "$(cd "$WINEPREFIX" && ls -a .zm-* 2>/dev/null)" != "$(cd "$prefix2" 2>/dev/null && ls -a .zm-* 2>/dev/null)" ]; then
    rm -rf "$prefix2"
    cp -a "$WINEPREFIX" "$prefix2"
  fi
  display1="$DISPLAY" xvfb1="${ZM_XVFB_PID:-}"
  unset DISPLAY
  start_display
  display2="$DISPLAY" xvfb2="$ZM_XVFB_PID"
  export DISPLAY="$display1"; ZM_XVFB_PID="$xvfb1"
  rm -rf "$shard_dir"
  mkdir -p "$shard_dir/1" "$shard_dir/2"
  printf 'export WINEPREFIX=%q DISPLAY=%q\nsource %q\n' "$WINEPREFIX" "$DISPLAY" "$servers/env.sh" > "$shard_dir/1/env.sh"
  printf 'export WINEPREFIX=%q DISPLAY=%q\nsource %q\n' "$prefix2" "$display2" "$servers2/env.sh" > "$shard_dir/2/env.sh"
  cat > "$shard_dir/shards.json" <<'JSON'
{"version": {"major": 1, "minor": 0}, "local": [{"shards": [{"id": "1", "slots": 1}, {"id": "2", "slots": 1}]}]}
JSON
fi
source "$servers/env.sh"
# Each shard's wineserver and services start beside the Windows build.
keep_wineserver > /dev/null 2>&1 &
keep_pids=$!
if [ "$shards" = 2 ]; then
  (WINEPREFIX="$prefix2" DISPLAY="$display2" keep_wineserver) > /dev/null 2>&1 &
  keep_pids="$keep_pids $!"
fi
phase_done "set-up (prefix, display, servers)"

echo "== include order of the libraries"
python3 scripts/check_includes.py || status=1

# The native tests mostly wait on servers and time-outs, so they run while
# the Windows build takes the cores; their output follows the build's.
: > "$test_log"
native_log=build/native/tests.log
(
  began=$SECONDS rc=0
  ctest --test-dir build/native --output-on-failure > "$native_log" 2>&1 || rc=$?
  echo $(( SECONDS - began )) > "$native_log.seconds"
  exit "$rc"
) &
native_pid=$!
echo "== build: Windows programs and tests (build/win64; the native tests run meanwhile)"
bash scripts/build.sh win64
phase_done "build win64"
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer; ran beside the Windows build)"
native_rc=0
wait "$native_pid" || native_rc=$?
native_pid=""
tee -a "$test_log" < "$native_log"
[ "$native_rc" = 0 ] || status=1
native_seconds=$(cat "$native_log.seconds" 2>/dev/null || echo 0)
times+=("$(printf '%-34s %4dm%02ds' "native tests (beside the build)" $(( native_seconds / 60 )) $(( native_seconds % 60 )))")
phase_done "native tests (left to wait for)"

# The fuzz targets take a core while the Windows tests wait on Wine; they
# yield to the tests, whose waits are bounded, and the whole run is bounded
# too. Their output goes into the log after the Windows tests.
fuzz_log=build/native/fuzz/run.log
(
  began=$SECONDS rc=0
  nice -n 10 timeout 900 bash scripts/fuzz.sh --built 20 > "$fuzz_log" 2>&1 || rc=$?
  echo $(( SECONDS - began )) > "$fuzz_log.seconds"
  exit "$rc"
) &
fuzz_pid=$!

# shellcheck disable=SC2086
wait $keep_pids || true
echo "== Windows tests under Wine ($shards shard(s); the fuzz targets run meanwhile)"
if [ "$shards" = 2 ]; then
  # ctest's option that names the file of shards, its "resources".
  shards_option="--resource-$(printf 'sp%sc' e)-file"
  ZM_SHARDS="$shard_dir" ctest --test-dir build/win64 --output-on-failure -j2 \
    "$shards_option" "$shard_dir/shards.json" 2>&1 | tee -a "$test_log" || status=1
else
  ctest --test-dir build/win64 --output-on-failure 2>&1 | tee -a "$test_log" || status=1
fi
phase_done "Windows tests"

echo "== fuzz targets (ran beside the Windows tests)"
fuzz_rc=0
wait "$fuzz_pid" || fuzz_rc=$?
fuzz_pid=""
cat "$fuzz_log"
if [ "$fuzz_rc" != 0 ]; then
  [ "$fuzz_rc" = 124 ] && echo "test.sh: FAILED: the fuzz targets did not end within 900 s" >&2
  status=1
fi
fuzz_seconds=$(cat "$fuzz_log.seconds" 2>/dev/null || echo 0)
times+=("$(printf '%-34s %4dm%02ds' "fuzz (beside the Windows tests)" $(( fuzz_seconds / 60 )) $(( fuzz_seconds % 60 )))")
exit $status
