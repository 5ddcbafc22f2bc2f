#!/usr/bin/env bash
# Looks at a mailbox of the running test servers on disk. Needs the
# variables of DIR/env.sh (start.sh writes it).
#
#   mailbox.sh count USER            prints how many messages USER's mailbox holds
#   mailbox.sh list USER             prints their paths, oldest first
#   mailbox.sh wait USER N [SECONDS] waits until it holds N messages or more
#                                    (10 s at most unless told); exit 1 if not
#   mailbox.sh clear USER            removes every message of USER's mailbox,
#                                    and dovecot's index of them: removed
#                                    behind its back, messages an IMAP
#                                    session left in new/ stayed listed to
#                                    the next POP3 session
#
# A message is a file in new/ (not yet seen by the POP3 server) or in cur/
# (seen; the POP3 server moves it there and adds flags to its name).
set -euo pipefail

die() { echo "mailbox.sh: $1" >&2; exit "${2:-1}"; }
usage() { die "usage: mailbox.sh count|list|clear USER, or mailbox.sh wait USER N [SECONDS]" 2; }

[ $# -ge 2 ] || usage
command=$1 user=$2
[ -n "${ZM_MAILDIR_ROOT:-}" ] && [ -d "$ZM_MAILDIR_ROOT" ] \
  || die "ZM_MAILDIR_ROOT is not set or not a folder: source DIR/env.sh of tests/servers/start.sh first"
case "$user" in ''|*/*|.*) die "not a mailbox name: $user" 2 ;; esac
box=$ZM_MAILDIR_ROOT/$user/Maildir
[ -d "$box/new" ] && [ -d "$box/cur" ] || die "no mailbox for user $user in $ZM_MAILDIR_ROOT"

messages() {
  find "$box/new" "$box/cur" -mindepth 1 -maxdepth 1 -type f -printf '%T@ %p\n' | sort -n | cut -d' ' -f2-
}
count() { find "$box/new" "$box/cur" -mindepth 1 -maxdepth 1 -type f -printf '.' | wc -c; }

case $command in
  count) [ $# -eq 2 ] || usage; count ;;
  list) [ $# -eq 2 ] || usage; messages ;;
  clear)
    [ $# -eq 2 ] || usage
    find "$box/new" "$box/cur" -mindepth 1 -maxdepth 1 -type f -delete
    rm -f "$box"/dovecot-uidlist "$box"/dovecot.index* ;;
  wait)
    [ $# -ge 3 ] && [ $# -le 4 ] || usage
    want=$3 limit=${4:-10}
    [[ "$want" =~ ^[0-9]+$ ]] && [[ "$limit" =~ ^[0-9]+$ ]] || usage
    deadline=$((SECONDS + limit))
    until [ "$(count)" -ge "$want" ]; do
      [ "$SECONDS" -lt "$deadline" ] || die "$user's mailbox holds $(count) messages, not $want, after ${limit}s"
      sleep 0.1
    done ;;
  *) usage ;;
esac
