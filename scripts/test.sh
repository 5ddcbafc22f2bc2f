#!/usr/bin/env bash
# Builds both targets and runs every test: the unit tests natively under the
# sanitizers and under Wine, then the end-to-end tests of the client. The
# transport tests talk to real mail servers (tests/servers), which run on
# loopback for the time of the test runs; their ports and accounts reach the
# tests as the ZM_* variables of the servers' env.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh
source scripts/wine-env.sh
start_display

servers=""
cleanup() {
  local rc=$?
  wineserver -k 2>/dev/null || true
  if [ -n "$servers" ]; then
    if bash tests/servers/stop.sh "$servers"; then
      rm -rf "$servers"
    else
      echo "test.sh: FAILED: not every mail server process of $servers ended" >&2
      rc=1
    fi
  fi
  if [ -n "${ZM_XVFB_PID:-}" ]; then kill "$ZM_XVFB_PID" 2>/dev/null || true; fi
  exit "$rc"
}
trap cleanup EXIT
# An interrupted run stops the servers as well.
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
echo "== include order of the libraries"
python3 scripts/check_includes.py || status=1
echo "== fuzz targets"
bash scripts/fuzz.sh 20 || status=1

echo "== mail servers on loopback for the transport tests"
servers=$(mktemp -d /tmp/zms.XXXXXX)
if ! bash tests/servers/start.sh "$servers"; then
  echo "test.sh: FAILED: the mail servers that the transport tests need did not start (see above)" >&2
  exit 1
fi
source "$servers/env.sh"
if ! bash tests/servers/selftest.sh --check "$servers"; then
  echo "test.sh: FAILED: the mail servers do not behave as the transport tests expect (see above)" >&2
  status=1
fi

echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir build/native --output-on-failure || status=1
echo "== Windows tests under Wine"
ctest --test-dir build/win64 --output-on-failure || status=1
exit $status
