#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, once; with
# "bench" also what the benchmarks compare against; with "build" only the
# compilers and build tools, so that a first build can start while the rest
# installs.
set -euo pipefail

build_packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest python3 g++-mingw-w64-x86-64)
packages=(
  "${build_packages[@]}" wine wine64
  # Wine's SChannel is built on GnuTLS, which Wine only recommends.
  libgnutls30
  xvfb xauth x11-utils imagemagick fonts-wine fonts-liberation
  # Printing under Wine: a CUPS server of the tests' own with a queue that
  # writes PDF files, and the tools that read them back.
  cups cups-client printer-driver-cups-pdf poppler-utils
  # Chinese, Japanese and Korean characters for Wine's dialog fonts.
  fonts-droid-fallback
  # The real mail servers that the transport tests talk to on loopback
  # (tests/servers/start.sh).
  # exim's "heavy" build, for its dovecot authenticator (XOAUTH2 and
  # OAUTHBEARER checked by dovecot).
  dovecot-core dovecot-pop3d dovecot-imapd exim4-daemon-heavy dante-server microsocks
  # The OAuth 2.0 authorization server of the tests (tests/servers/oauth_server.py).
  python3-authlib python3-flask curl
  # Their test CA and certificates, and the servers' own TLS check.
  openssl
  # HTML made by real programs for the HTML to text corpus test, and the
  # converters it and bench/bench_html_to_text are held against.
  pandoc python3-docutils texinfo txt2html cmark w3m html2text
)
# The benchmarks' yardsticks, only for "setup.sh bench" (scripts/bench.sh):
# the tests never run them.
if [ "${1:-}" = bench ]; then
  packages+=(
    # The receive benchmarks' yardsticks (bench/bench_receive.cpp for
    # POP3, bench/bench_imap_fetch.cpp for IMAP).
    fetchmail isync
    # mscan, the reference point of bench/bench_list_fill.cpp.
    mblaze
  )
fi
if [ "${1:-}" = build ]; then
  packages=("${build_packages[@]}")
fi
missing=()
for p in "${packages[@]}"; do
  # "dpkg -s" also succeeds for a package that was removed but left its
  # configuration behind, so ask for the installed state itself.
  status="$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)"
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup.sh: run as root (or install sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi

# The mail server packages start their system-wide daemons (SMTP on port 25,
# POP3 on 110) with the system's configuration as soon as they are installed.
# The tests run their own instances instead, so keep the package scripts from
# starting anything while we install, unless the machine already says so.
policy=/usr/sbin/policy-rc.d
made_policy=0
restore_policy() {
  if [ "$made_policy" = 1 ]; then "${sudo_cmd[@]}" rm -f "$policy"; fi
}
trap restore_policy EXIT
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# Left by scripts/setup.sh while it installs; removed when it ends.\nexit 101\n' |
    "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 0755 "$policy"
  made_policy=1
fi

# env after sudo: sudo drops DEBIAN_FRONTEND from the caller's environment,
# and then exim's configuration questions would wait for an answer. Another
# install running on the machine holds apt's lock; wait for it a while
# rather than fail at once.
apt=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)
"${apt[@]}" update -qq
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
