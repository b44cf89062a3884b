#!/bin/sh
# Starts or stops the private Xvfb display and wineserver of a build tree.
# usage: wine-fixture.sh prefix|start|stop <wine> <wine-dir>
#        wine-fixture.sh bounds <layout>
# VEL_SCREEN sets the display's size (default 1024x768x24).
#
# VEL_DISPLAYS, given to start, is a display layout: WxH+X+Y[,WxH+X+Y...],
# each head's size and place in X root coordinates, the first the primary.
# Wine then reads its displays through our libXinerama.so.1 (scripts/xinerama/),
# from the folders in VEL_XINERAMA_PATH, which answers with those heads; the
# display is made at least as large as the heads' bounding box. The layout
# holds for every Wine process of the prefix until the next start, which is
# why a layout needs a prefix of its own. "bounds" prints that bounding box
# (WxH) of a layout, or fails when it is malformed.
set -e
cmd="$1"; wine="$2"; dir="$3"

# WxH of the X screen that holds the layout's heads; fails when the layout is
# malformed (as our libXinerama.so.1 reads it: at most 16 heads, numbers of at
# most 5 digits, every head within 32767 x 32767).
layout_bounds() { # <layout>
  printf '%s\n' "$1" | awk -F, '
    {
      if (NR > 1 || NF > 16) bad = 1
      for (i = 1; i <= NF; i++) {
        if ($i !~ /^[0-9]+x[0-9]+[+][0-9]+[+][0-9]+$/) { bad = 1; break }
        split($i, v, /[x+]/)
        for (k = 1; k <= 4; k++) if (length(v[k]) > 5) bad = 1
        if (v[1] == 0 || v[2] == 0 || v[1] + v[3] > 32767 || v[2] + v[4] > 32767) bad = 1
        if (v[1] + v[3] > w) w = v[1] + v[3]
        if (v[2] + v[4] > h) h = v[2] + v[4]
      }
    }
    END { if (bad || !w) exit 1; print w "x" h }'
}

if [ "$cmd" = bounds ]; then
  layout_bounds "$2" || { echo "\"$2\" is not a display layout WxH+X+Y[,WxH+X+Y...]" >&2; exit 2; }
  exit 0
fi

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
      "$server" -w || true
    fi
    # Wine's own fonts (MS Sans Serif for the dialog font, Tahoma for message
    # boxes, Marlett for the title bar's buttons) from fonts-wine, where this
    # Wine does not look for them itself.
    if [ ! -f "$dir/prefix/drive_c/windows/Fonts/marlett.ttf" ] && [ -d /usr/share/wine/fonts ]; then
      cp /usr/share/wine/fonts/*.ttf "$dir/prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    # A Wine that cannot start (a 32-bit one on a kernel that runs no i386
    # program) makes no prefix: said here, with the end of its log.
    [ -f "$dir/prefix/user.reg" ] || {
      echo "$wine made no prefix in $dir/prefix; the end of its log ($dir/wineboot.log):"
      tail -n 5 "$dir/wineboot.log" 2>/dev/null
      exit 1
    }
  ) 9>"$dir/prefix.lock"
}

# Wine's X11 driver reads the heads through Xinerama only without XRandR: off
# with a layout, else on. The desktop process reads the displays once, and
# reg itself may start it, so the server ends after a change: the next
# desktop process starts with the new setting.
use_xrandr() {
  key='HKCU\Software\Wine\X11 Driver'
  if [ -f "$dir/displays" ]; then
    grep -q '^"UseXRandR"="N"' "$WINEPREFIX/user.reg" && return
    set -- add "$key" /v UseXRandR /t REG_SZ /d N /f
  else
    grep -q '^"UseXRandR"=' "$WINEPREFIX/user.reg" || return 0
    set -- delete "$key" /v UseXRandR /f
  fi
  "$wine" reg "$@" >"$dir/xrandr.log" 2>&1 </dev/null ||
    { echo "reg $1 UseXRandR failed:"; cat "$dir/xrandr.log"; exit 1; }
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w >/dev/null 2>&1 || true
}

case "$cmd" in
prefix)
  make_prefix
  rm -f "$dir/displays" "$dir/xinerama"
  use_xrandr
  ;;
start)
  # A server or display left over from an earlier run goes first.
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w >/dev/null 2>&1 || true
  stop_display
  screen=${VEL_SCREEN:-1024x768x24}
  rm -f "$dir/displays" "$dir/xinerama"
  if [ -n "$VEL_DISPLAYS" ]; then
    bounds=$(layout_bounds "$VEL_DISPLAYS") ||
      { echo "VEL_DISPLAYS \"$VEL_DISPLAYS\" is not a display layout WxH+X+Y[,WxH+X+Y...]"; exit 1; }
    [ -n "$VEL_XINERAMA_PATH" ] || { echo "VEL_XINERAMA_PATH names no folder of libXinerama.so.1"; exit 1; }
    # The screen grows to the bounding box where VEL_SCREEN is smaller.
    w=${screen%%x*}; rest=${screen#*x}; h=${rest%%x*}
    case "$rest" in *x*) depth=x${rest#*x} ;; *) depth= ;; esac
    [ "${bounds%x*}" -le "$w" ] || w=${bounds%x*}
    [ "${bounds#*x}" -le "$h" ] || h=${bounds#*x}
    screen=${w}x$h$depth
    # What wine-run.sh gives each program of this fixture.
    printf '%s\n' "$VEL_DISPLAYS" >"$dir/displays"
    printf '%s\n' "$VEL_XINERAMA_PATH" >"$dir/xinerama"
    LD_LIBRARY_PATH="$VEL_XINERAMA_PATH${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    export VEL_DISPLAYS LD_LIBRARY_PATH
  fi
  # Xvfb picks a free display itself and writes its number to fd 3.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp >"$dir/xvfb.log" 2>&1 3>"$dir/display.tmp" &
  echo $! >"$dir/xvfb.pid"
  i=0
  while [ ! -s "$dir/display.tmp" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  [ -s "$dir/display.tmp" ] || { echo "Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
  tr -d '\n' <"$dir/display.tmp" >"$dir/display"; rm -f "$dir/display.tmp"
  DISPLAY=":$(cat "$dir/display")"; export DISPLAY
  make_prefix || { stop_display; exit 1; }
  use_xrandr
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
  echo "usage: $0 prefix|start|stop <wine> <wine-dir> | bounds <layout>"; exit 2 ;;
esac
