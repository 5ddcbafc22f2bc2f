#!/usr/bin/env bash
# Self-check of the mail server fixture.
#
#   selftest.sh [ROUNDS]   ROUNDS times (3 unless told): start.sh in a fresh
#                          folder, probe.py against the servers, stop.sh, and
#                          then proof that none of the servers' processes is
#                          left and no port still listens. The first round
#                          also checks that a running folder cannot be
#                          started twice, that a second fixture started
#                          meanwhile moves to other ports, and that mail
#                          stays in a folder across stop and start.
#   selftest.sh --check DIR  only probe.py against servers already running
#                          in DIR (scripts/test.sh uses it); leaves their
#                          mailboxes empty.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)
# shellcheck source=tests/servers/lib.sh
. "$here/lib.sh"
python=$(command -v python3 || echo /usr/bin/python3)

if [ "${1:-}" = --check ]; then
  [ $# -eq 2 ] || { echo "usage: selftest.sh --check DIR" >&2; exit 2; }
  exec timeout 120 "$python" "$here/probe.py" "$2"
fi
rounds=${1:-3}
[[ "$rounds" =~ ^[0-9]+$ ]] && [ "$rounds" -ge 1 ] || { echo "usage: selftest.sh [ROUNDS] | --check DIR" >&2; exit 2; }

passed=0 failed=0
result() {    # result OK|FAIL TEXT
  if [ "$1" = OK ]; then passed=$((passed + 1)); echo "PASS $2"; else failed=$((failed + 1)); echo "FAIL $2"; fi
}
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }'; }

# family DIR: "pid start" of every process of DIR's servers just now.
family() {
  local pids=() name
  for name in "${zm_server_names[@]}"; do
    [ -f "$1/run/$name.pid" ] && pids+=("$(cat "$1/run/$name.pid")")
  done
  [ ${#pids[@]} -eq 0 ] || zm_descendants "${pids[@]}"
}
# left_over DIR PORTS... FAMILY-FILE: prints what is still there of DIR.
left_over() {
  local d=$1 file=${!#} p s
  while read -r p s; do
    [ -n "$p" ] && zm_proc_live "$p" "$s" && echo "process $p ($(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null))"
  done < "$file"
  # anything at all whose command line names the folder
  for p in $(grep -lF -- "$d/" /proc/[0-9]*/cmdline 2>/dev/null); do
    p=${p#/proc/}; p=${p%/cmdline}
    [ "$p" != $$ ] && zm_proc_live "$p" && echo "process $p ($(tr '\0' ' ' < "/proc/$p/cmdline" 2>/dev/null))"
  done
  for p in "${@:2:$#-2}"; do zm_port_listening "$p" && echo "port $p"; done
}
ports_of() { (. "$1/env.sh" && echo "$ZM_POP3_PORT $ZM_SMTP_PORT $ZM_SOCKS_PORT $ZM_SOCKS_AUTH_PORT $ZM_SOCKS_DANTE_AUTH_PORT $ZM_POP3S_PORT $ZM_SMTPS_PORT $ZM_IMAP_PORT $ZM_IMAPS_PORT $ZM_OAUTH_PORT"); }

# stop_and_check DIR WHAT: stops DIR's servers and proves nothing is left.
stop_and_check() {
  local d=$1 what=$2 fam ports t0 rest
  fam=$(mktemp)
  family "$d" > "$fam"
  ports=$(ports_of "$d")
  t0=$(date +%s.%N)
  if bash "$here/stop.sh" "$d"; then result OK "$what: stop.sh in $(elapsed "$t0")s"
  else result FAIL "$what: stop.sh failed"; fi
  # shellcheck disable=SC2086  # the ports are numbers
  rest=$(left_over "$d" $ports "$fam")
  if [ -z "$rest" ]; then result OK "$what: none of its $(wc -l < "$fam") processes is left, no port listens"
  else result FAIL "$what: left behind: $rest"; fi
  rm -f "$fam"
  [ -z "$rest" ]
}

for round in $(seq 1 "$rounds"); do
  echo "=== round $round of $rounds"
  d=$(mktemp -d /tmp/zms.XXXXXX)
  t0=$(date +%s.%N)
  if ! bash "$here/start.sh" "$d"; then
    result FAIL "round $round: start.sh (its folder $d is kept)"
    continue
  fi
  result OK "round $round: start.sh in $(elapsed "$t0")s"
  if timeout 120 "$python" "$here/probe.py" "$d"; then result OK "round $round: probe.py"
  else result FAIL "round $round: probe.py"; fi

  if [ "$round" = 1 ]; then
    bash "$here/start.sh" "$d" > /dev/null 2>&1
    if [ $? -eq 2 ]; then result OK "a folder whose servers run is not started again"
    else result FAIL "start.sh started a folder whose servers run"; fi

    d2=$(mktemp -d /tmp/zms.XXXXXX)
    if bash "$here/start.sh" "$d2" > /dev/null; then
      ports=$(ports_of "$d") ports2=$(ports_of "$d2")
      if [ "$ports2" = "$(for p in $ports; do echo $((p + 200)); done | xargs)" ]; then
        result OK "a second fixture moved to the next ports ($ports2)"
      else result FAIL "second fixture ports '$ports2' beside '$ports'"; fi
      stop_and_check "$d2" "second fixture" && rm -rf "$d2"
    else
      result FAIL "a second fixture beside the first did not start (folder $d2 kept)"
    fi

    (. "$d/env.sh" && printf 'Subject: kept\r\n\r\nkept\r\n' | "$ZM_DELIVER" alice - > /dev/null)
    stop_and_check "$d" "round $round, before restarting"
    if bash "$here/start.sh" "$d" > /dev/null \
       && [ "$(. "$d/env.sh" && "$ZM_MAILBOX" count alice)" = 1 ] \
       && (. "$d/env.sh" && "$ZM_MAILBOX" clear alice); then
      result OK "mail stays in the folder across stop.sh and start.sh"
    else result FAIL "mail did not stay across stop.sh and start.sh"; fi
  fi

  if stop_and_check "$d" "round $round"; then
    bash "$here/stop.sh" "$d" > /dev/null
    if [ $? -eq 0 ]; then result OK "round $round: stop.sh again finds nothing to do"
    else result FAIL "round $round: stop.sh again failed"; fi
    rm -rf "$d"
  else
    echo "(folder $d kept)"
  fi
done

echo "selftest: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
