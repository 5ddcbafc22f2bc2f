# Sourced: a Wine prefix of the project's own, made on first use.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.zm-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || true
  # Wine draws the window frames itself: fast closes, title bars without a
  # window manager.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.zm-ready"
fi
# Wine's own fonts have neither Greek nor CJK characters: the dialog fonts
# fall back to DejaVu Sans and Droid Sans Fallback, as Windows links its UI
# fonts to fonts of other scripts. Once per prefix, older prefixes too.
if [ ! -f "$WINEPREFIX/.zm-fontlink-2" ] && [ -f /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf ]; then
  links="DroidSansFallbackFull.ttf,Droid Sans Fallback"
  cp /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  if [ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ]; then
    cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    links="DejaVuSans.ttf,DejaVu Sans\0$links"
  fi
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "$links" /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$WINEPREFIX/.zm-fontlink-2"
fi

# Starts a virtual display when none is set; its PID is in ZM_XVFB_PID.
start_display() {
  ZM_XVFB_PID=""
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 77 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    ZM_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  done
  echo "Could not start a virtual display" >&2
  return 1
}

# Keeps the prefix's wineserver, and the Wine services it starts, running
# until `wineserver -k`: by default they end 3 s after the last Windows
# program, and every test that then starts one pays a second or more for
# them again (several seconds once the disk cache is cold), which added up
# to minutes over the Windows tests. Bounded: now and then the first
# program after `wineserver -p` hangs, and the one after it does not.
keep_wineserver() {
  wineserver -p || return 1
  timeout 30 wine cmd /c exit >/dev/null 2>&1 || timeout 30 wine cmd /c exit >/dev/null 2>&1 || true
}
