# shellcheck shell=bash disable=SC2086,SC2034  # /proc fields are split on purpose; the names are used by the scripts that source this
# Sourced by start.sh, stop.sh and selftest.sh: the process bookkeeping of
# the mail server fixture. A process is named by its pid together with its
# start time (field 22 of /proc/PID/stat, in clock ticks since boot), so that
# a pid that the kernel has handed to some other program since is never
# mistaken for one of ours.

zm_loopback=127.0.0.1
# The authorization server is a Python program: its process is the
# interpreter itself.
zm_python=$(readlink -f /usr/bin/python3)
zm_server_names=(dovecot exim danted microsocks danted-auth oauth)
zm_server_exes=(/usr/sbin/dovecot /usr/sbin/exim4 /usr/sbin/danted /usr/bin/microsocks /usr/sbin/danted "$zm_python")

# zm_proc_start PID: prints the start time of PID; fails when there is no
# such process.
zm_proc_start() {
  local line
  { IFS= read -r line < "/proc/$1/stat"; } 2>/dev/null || return 1
  line=${line##*) }        # the command name may hold spaces and brackets
  set -- $line
  [ $# -ge 20 ] || return 1
  printf '%s\n' "${20}"
}

# zm_proc_live PID [START]: true while PID runs (a zombie has ended; its
# parent just has not collected it yet) and, when START is given, is still
# the process that started at START.
zm_proc_live() {
  local line state
  { IFS= read -r line < "/proc/$1/stat"; } 2>/dev/null || return 1
  line=${line##*) }
  set -- "$1" "${2:-}" $line
  state=$3
  [ "$state" != Z ] && [ "$state" != X ] || return 1
  [ -z "$2" ] || [ "${22:-}" = "$2" ]
}

# zm_descendants PID...: prints "PID START" for the given processes and all
# processes below them, from one pass over /proc.
zm_descendants() {
  local f line rest
  {
    echo "roots $*"
    for f in /proc/[0-9]*/stat; do
      { IFS= read -r line < "$f"; } 2>/dev/null || continue
      rest=${line##*) }
      f=${f#/proc/}; f=${f%/stat}
      # pid, then the fields after the command name: state ppid ... start
      echo "$f $rest"
    done
  } | awk '
    NR == 1 { for (i = 2; i <= NF; i++) want[$i] = 1; next }
    { parent[$1] = $3; start[$1] = $21 }
    END {
      do {
        grown = 0
        for (p in parent) if (!(p in want) && (parent[p] in want)) { want[p] = 1; grown = 1 }
      } while (grown)
      for (p in want) if (p in start) print p, start[p]
    }'
}

# zm_port_listening PORT: true when anything listens on TCP port PORT, on any
# address (IPv4 or IPv6).
zm_port_listening() {
  local hex
  hex=$(printf '%04X' "$1")
  awk -v port="$hex" '$4 == "0A" { n = split($2, a, ":"); if (a[n] == port) found = 1 }
                      END { exit found ? 0 : 1 }' /proc/net/tcp /proc/net/tcp6 2>/dev/null
}
