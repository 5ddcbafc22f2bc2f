#!/usr/bin/env bash
# shellcheck disable=SC2046,SC2086  # pid lists are split on purpose
# stop.sh DIR: stops the mail servers that start.sh DIR started, and only
# those: the processes named in DIR/run (pid and start time, so a reused pid
# is left alone), the processes they started, and exim processes that run
# with DIR's own exim configuration (deliveries that exim re-executed and
# that have lost their parent). Each server gets SIGTERM; whatever of this
# family still runs after ZM_SERVERS_STOP_TIMEOUT seconds (10) gets SIGKILL.
# Exit status 0 when none of them is left, 1 otherwise, 2 wrong use.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)
# shellcheck source=tests/servers/lib.sh
. "$here/lib.sh"

[ $# -eq 1 ] || { echo "usage: stop.sh DIR" >&2; exit 2; }
[ -d "$1" ] || { echo "stop.sh: no folder $1" >&2; exit 2; }
dir=$(cd "$1" && pwd -P)
[ -f "$dir/.zm-servers" ] || { echo "stop.sh: $dir is not a folder of start.sh" >&2; exit 2; }
grace=${ZM_SERVERS_STOP_TIMEOUT:-10}
[[ "$grace" =~ ^[0-9]+$ ]] || grace=10

# exim processes whose command line holds "-C DIR/etc/exim.conf".
exim_strays() {
  local f p
  for f in $(grep -lzxF -- "$dir/etc/exim.conf" /proc/[0-9]*/cmdline 2>/dev/null); do
    p=${f#/proc/}; p=${p%/cmdline}
    [ "$(readlink "/proc/$p/exe" 2>/dev/null)" = /usr/sbin/exim4 ] || continue
    echo "$p $(zm_proc_start "$p")"
  done
}

declare -A family=()    # pid -> start time
mains=()
for i in "${!zm_server_names[@]}"; do
  name=${zm_server_names[$i]}
  [ -f "$dir/run/$name.pid" ] || continue
  pid=$(cat "$dir/run/$name.pid" 2>/dev/null)
  start=$(cat "$dir/run/$name.start" 2>/dev/null)
  if [[ "$pid" =~ ^[0-9]+$ ]] && [ -n "$start" ] && zm_proc_live "$pid" "$start" \
     && [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "${zm_server_exes[$i]}" ]; then
    mains+=("$pid")
    family[$pid]=$start
  else
    echo "stop.sh: $name was not running"
  fi
done
while read -r p s; do [ -n "$p" ] && family[$p]=$s; done < <(exim_strays)

# Adds the live children of the family to it, so that a process that is
# re-parented when its parent ends is still known.
grow_family() {
  local roots=() p s
  for p in "${!family[@]}"; do zm_proc_live "$p" "${family[$p]}" && roots+=("$p"); done
  [ ${#roots[@]} -gt 0 ] || return 0
  while read -r p s; do
    [ -n "$p" ] && [ -z "${family[$p]:-}" ] && family[$p]=$s
  done < <(zm_descendants "${roots[@]}")
}
still_running() {
  local p
  for p in "${!family[@]}"; do zm_proc_live "$p" "${family[$p]}" && echo "$p"; done
}

# The servers end their own children. exim's deliveries outlive the daemon,
# though, so each of them is asked to end as soon as it is seen.
declare -A asked=()
ask_to_end() {
  local p s
  for p in "$@"; do
    [ -z "${asked[$p]:-}" ] || continue
    asked[$p]=1
    kill -TERM "$p" 2>/dev/null
  done
  return 0
}
grow_family
ask_to_end "${mains[@]}" $(exim_strays | cut -d' ' -f1)

deadline=$((SECONDS + grace))
while :; do
  grow_family
  strays=$(exim_strays)
  while read -r p s; do [ -n "$p" ] && family[$p]=$s; done <<< "$strays"
  ask_to_end $(cut -d' ' -f1 <<< "$strays")
  left=$(still_running)
  [ -n "$left" ] || break
  if [ "$SECONDS" -ge "$deadline" ]; then
    echo "stop.sh: still running after ${grace}s, killing:" $left >&2
    for p in $left; do zm_proc_live "$p" "${family[$p]}" && kill -KILL "$p" 2>/dev/null; done
    sleep 0.5
    break
  fi
  sleep 0.1
done

left=$(still_running)
if [ -n "$left" ]; then
  echo "stop.sh: processes of $dir still running:" $left >&2
  exit 1
fi
rm -f "$dir"/run/*
echo "stop.sh: mail servers of $dir stopped (${#family[@]} processes)"
