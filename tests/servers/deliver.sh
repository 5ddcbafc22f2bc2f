#!/usr/bin/env bash
# Puts a message into a mailbox of the running test servers, without SMTP.
# Needs the variables of DIR/env.sh (start.sh writes it).
#
#   deliver.sh USER FILE         FILE ("-": standard input) becomes a new
#                                message of USER's mailbox byte for byte, and
#                                its path is printed. For POP3 tests that
#                                compare what they fetch with what was put in.
#   deliver.sh --exim USER FILE  exim delivers FILE to USER (or to the address
#                                USER, when it holds an @) at once, adding its
#                                trace header lines ("Received:", "Return-path:"
#                                and others) and storing line ends as LF.
set -euo pipefail

die() { echo "deliver.sh: $1" >&2; exit "${2:-1}"; }
usage() { die "usage: deliver.sh [--exim] USER FILE" 2; }

via_exim=0
if [ "${1:-}" = --exim ]; then via_exim=1; shift; fi
[ $# -eq 2 ] || usage
user=$1 file=$2
[ -n "${ZM_MAILDIR_ROOT:-}" ] && [ -d "$ZM_MAILDIR_ROOT" ] \
  || die "ZM_MAILDIR_ROOT is not set or not a folder: source DIR/env.sh of tests/servers/start.sh first"
[ "$file" = - ] || [ -f "$file" ] || die "no file $file"

if [ "$via_exim" = 1 ]; then
  [ -n "${ZM_EXIM_DELIVER:-}" ] || die "ZM_EXIM_DELIVER is not set: source DIR/env.sh first"
  case "$user" in *@*) address=$user ;; *) address=$user@${ZM_MAIL_DOMAIN:-example.test} ;; esac
  # -odi delivers before exim returns; -oi keeps a line of a single dot as
  # part of the message instead of ending it.
  if [ "$file" = - ]; then $ZM_EXIM_DELIVER "$address"; else $ZM_EXIM_DELIVER "$address" < "$file"; fi
  exit 0
fi

case "$user" in ''|*/*|.*) die "not a mailbox name: $user" 2 ;; esac
box=$ZM_MAILDIR_ROOT/$user/Maildir
[ -d "$box/new" ] && [ -d "$box/tmp" ] || die "no mailbox for user $user in $ZM_MAILDIR_ROOT"

# A message is written under tmp/ and then renamed into new/, so that the
# POP3 server never sees it half written. The name only has to be unique;
# it begins with the time like the names that exim gives.
now=$(date +%s.%N)
name="${now%.*}.M${now#*.}P$$R${RANDOM}.zm-tests"
if [ "$file" = - ]; then cat > "$box/tmp/$name"; else cat -- "$file" > "$box/tmp/$name"; fi
# The POP3 server reads and removes it as the mailbox's owner.
chown "$(stat -c %u:%g "$box")" "$box/tmp/$name"
chmod 0600 "$box/tmp/$name"
mv "$box/tmp/$name" "$box/new/$name"
echo "$box/new/$name"
