#!/usr/bin/env bash
# Builds the client and starts it under Wine. The program folder run/ keeps
# its mail, settings and log from one run to the next; only the programs in
# it are replaced by the new build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh win64
source scripts/wine-env.sh
start_display
[ -n "$ZM_XVFB_PID" ] && echo "No display was set: the client runs on the virtual display $DISPLAY."

mkdir -p run
cp build/win64/dist/*.exe run/
status=0
wine run/zenthmail.exe "$@" || status=$?
wineserver -w
[ -n "$ZM_XVFB_PID" ] && kill "$ZM_XVFB_PID"
exit $status
