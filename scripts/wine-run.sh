#!/bin/sh
# Runs one Windows program under Wine with the test fixture's display and prefix.
# usage: wine-run.sh <wine> <wine-dir> <program.exe> [args...]
# Unless the caller set VEL_SDK_HOME, the program gets a new, empty simulated
# device folder under <wine-dir>/homes (and VEL_TOOLS_HOME, the tools' own
# folder, within it).
wine="$1"; dir="$2"; shift 2
export WINEPREFIX="$dir/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$dir/display" ]; then
  DISPLAY=":$(cat "$dir/display")"; export DISPLAY
fi
# A fixture with a display layout: the heads and our libXinerama.so.1 that
# reports them (see wine-fixture.sh).
if [ -f "$dir/displays" ]; then
  VEL_DISPLAYS=$(cat "$dir/displays")
  LD_LIBRARY_PATH="$(cat "$dir/xinerama")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  export VEL_DISPLAYS LD_LIBRARY_PATH
fi
if [ -z "$VEL_SDK_HOME" ]; then
  mkdir -p "$dir/homes"
  home=$(mktemp -d "$dir/homes/home.XXXXXX")
  VEL_SDK_HOME="Z:$(echo "$home" | tr / '\\')"; export VEL_SDK_HOME
  VEL_SDK_HOME_UNIX="$home"; export VEL_SDK_HOME_UNIX
fi
# What the tools remember of their calibrations goes beside it, so that every
# start begins with none unless the caller names a folder.
if [ -z "$VEL_TOOLS_HOME" ]; then
  VEL_TOOLS_HOME="$VEL_SDK_HOME\\tools"; export VEL_TOOLS_HOME
fi
# The prefix's settings, in this start's locale (see wine-settings.reg).
reg=$(cd "$(dirname "$0")" && pwd)/wine-settings.reg
"$wine" regedit /S "Z:$(echo "$reg" | tr / '\\')" >/dev/null 2>&1 </dev/null || true
exec "$wine" "$@"
