#!/bin/sh
# Builds the Windows binaries and shows the control panel under Wine with the
# simulated touch screen. With $DISPLAY set it opens there and waits until you
# close it; without, it runs on a private virtual display, takes a screenshot
# into build/screenshots/ and prints its path.
set -e
cd "$(dirname "$0")"
. cmake/packages.sh
VEL_WINE32=0 vel_install_packages

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$(nproc 2>/dev/null || echo 2)"

build=$PWD/build/windows-x64
wine=/usr/lib/wine/wine64
home="$build/run-home"
mkdir -p "$home" build/screenshots
export VEL_SDK_HOME="Z:$(echo "$home" | tr / '\\')"

if [ -n "$DISPLAY" ]; then
  export WINEPREFIX="$build/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  cmake/wine-fixture.sh prefix "$wine" "$build/wine"
  exec "$wine" "$build/bin/VelApp.exe"
fi

cmake/wine-fixture.sh start "$wine" "$build/wine" >/dev/null
trap 'cmake/wine-fixture.sh stop "$wine" "$build/wine"' EXIT
# A virtual desktop draws the window frames that a bare X display lacks.
cmake/wine-run.sh "$wine" "$build/wine" explorer /desktop=VelApp,1024x768 "$build/bin/VelApp.exe" &
app=$!
sleep 6
shot="$PWD/build/screenshots/velapp.png"
DISPLAY=":$(cat "$build/wine/display")" import -window root "$shot"
echo "screenshot: $shot"
kill "$app" 2>/dev/null || true
