#!/usr/bin/env bash
# Builds both targets and runs every test: the unit tests natively under the
# sanitizers and under Wine, then the end-to-end tests of the client.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh
source scripts/wine-env.sh
start_display
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "${ZM_XVFB_PID:-}" ]; then kill "$ZM_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

status=0
echo "== fuzz targets"
bash scripts/fuzz.sh 20 || status=1
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir build/native --output-on-failure || status=1
echo "== Windows tests under Wine"
ctest --test-dir build/win64 --output-on-failure || status=1
exit $status
