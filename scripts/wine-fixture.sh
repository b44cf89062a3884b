#!/bin/sh
# Starts or stops the private Xvfb display and wineserver of a build tree.
# usage: wine-fixture.sh prefix|start|stop <wine> <wine-dir>
# VEL_SCREEN sets the display's size (default 1024x768x24).
set -e
cmd="$1"; wine="$2"; dir="$3"
bindir=$(dirname "$wine")
server="$bindir/wineserver"
export WINEPREFIX="$dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$dir"

stop_display() {
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid" "$dir/display"
  fi
}

# The prefix is made once per build tree; two makers at once would fail. A
# 64-bit prefix made before 32-bit Wine was installed cannot run 32-bit
# programs (the installers), and is made again.
make_prefix() {
  (
    flock 9
    if [ -x "$bindir/wine" ] && [ "$wine" != "$bindir/wine" ] && [ -f "$dir/prefix/system.reg" ] &&
      [ ! -f "$dir/prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
      "$server" -k >/dev/null 2>&1 || true
      "$server" -w >/dev/null 2>&1 || true
      rm -rf "$dir/prefix"
    fi
    if [ ! -f "$dir/prefix/system.reg" ]; then
      "$wine" wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null || true
      # A crashing program ends instead of waiting in the debugger.
      "$wine" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /f >>"$dir/wineboot.log" 2>&1 </dev/null || true
      "$server" -w
    fi
    # Wine's own fonts (MS Sans Serif for the dialog font, Tahoma for message
    # boxes, Marlett for the title bar's buttons) from fonts-wine, where this
    # Wine does not look for them itself.
    if [ ! -f "$dir/prefix/drive_c/windows/Fonts/marlett.ttf" ] && [ -d /usr/share/wine/fonts ]; then
      cp /usr/share/wine/fonts/*.ttf "$dir/prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
  ) 9>"$dir/prefix.lock"
}

case "$cmd" in
prefix)
  make_prefix
  ;;
start)
  # A server or display left over from an earlier run goes first.
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w >/dev/null 2>&1 || true
  stop_display
  # Xvfb picks a free display itself and writes its number to fd 3.
  Xvfb -displayfd 3 -screen 0 "${VEL_SCREEN:-1024x768x24}" -nolisten tcp >"$dir/xvfb.log" 2>&1 3>"$dir/display.tmp" &
  echo $! >"$dir/xvfb.pid"
  i=0
  while [ ! -s "$dir/display.tmp" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -s "$dir/display.tmp" ] || { echo "Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
  tr -d '\n' <"$dir/display.tmp" >"$dir/display"; rm -f "$dir/display.tmp"
  DISPLAY=":$(cat "$dir/display")"; export DISPLAY
  make_prefix
  # A persistent server, its output away from ctest's pipe.
  "$server" -p >"$dir/wineserver.log" 2>&1 </dev/null
  # Start the services and the desktop process now, with their output in a
  # log: started later by a test, they would hold the test's output open.
  "$wine" wineboot >"$dir/services.log" 2>&1 </dev/null || true
  "$wine" explorer /desktop=default >"$dir/desktop.log" 2>&1 </dev/null &
  sleep 1
  echo "display :$(cat "$dir/display"), prefix $WINEPREFIX"
  ;;
stop)
  "$server" -k >/dev/null 2>&1 || true
  stop_display
  ;;
*)
  echo "usage: $0 start|stop <wine> <wine-dir>"; exit 2 ;;
esac
