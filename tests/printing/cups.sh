#!/usr/bin/env bash
# A CUPS server of the tests' own, with one default queue "zmpdf" that
# writes every job as a PDF file; nothing of the system's CUPS is used.
#
#   cups.sh start DIR   starts cupsd with its state, configuration and Unix
#                       socket under DIR, prints the socket (for CUPS_SERVER);
#                       its PID is in DIR/cupsd.pid; jobs go to DIR/out/job.pdf
#   cups.sh stop DIR    ends that cupsd by its PID
set -euo pipefail

die() { echo "cups.sh: $1" >&2; exit 1; }
[ $# -eq 2 ] || die "usage: cups.sh start|stop DIR"
command=$1 dir=$(cd "$2" && pwd)

case $command in
  start)
    mkdir -p "$dir"/{etc/ppd,state,cache,spool/tmp,log,out}
    # The filters run as the "lp" user: they reach the scratch folders.
    chmod 0755 "$dir"
    chmod 1777 "$dir/spool/tmp" "$dir/out"
    cat > "$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
    cat > "$dir/etc/cups-files.conf" <<CONF
FileDevice Yes
ServerRoot $dir/etc
StateDir $dir/state
CacheDir $dir/cache
RequestRoot $dir/spool
TempDir $dir/spool/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
CONF
    # Its output goes to its log: a caller reading ours must not wait on it.
    /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >/dev/null 2>&1 &
    echo $! > "$dir/cupsd.pid"
    export CUPS_SERVER=$dir/cups.sock
    for _ in $(seq 100); do [ -S "$dir/cups.sock" ] && lpstat -r >/dev/null 2>&1 && break; sleep 0.1; done
    lpstat -r >/dev/null 2>&1 || die "cupsd did not start: $(tail -5 "$dir/log/error_log" 2>/dev/null)"
    lpadmin -p zmpdf -E -v "file://$dir/out/job.pdf" -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd \
      -o PageSize=A4
    lpadmin -d zmpdf
    echo "$dir/cups.sock"
    ;;
  stop)
    [ -f "$dir/cupsd.pid" ] || exit 0
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/cupsd.pid"
    ;;
  *) die "usage: cups.sh start|stop DIR" ;;
esac
