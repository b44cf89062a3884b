#!/bin/sh
# Builds everything and runs every test: the windowless core natively (also
# under ASan + UBSan and ThreadSanitizer, and its fuzz targets for a few
# seconds each), and the Windows binaries under Wine (x64, and x86 where
# 32-bit Wine runs; the x64 Debug build, with the framework's assertions on,
# for the tests of the programs built on the framework). VEL_STRESS_CYCLES
# sets the calibration start/stop stress test's cycles.
set -e
cd "$(dirname "$0")"
. scripts/packages.sh
vel_install_packages

jobs=$(nproc 2>/dev/null || echo 2)
export VEL_STRESS_CYCLES="${VEL_STRESS_CYCLES:-200}"

for preset in native native-sanitize native-tsan fuzz windows-x64 windows-x86 windows-x64-debug; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

for preset in native native-sanitize native-tsan fuzz; do
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs" --no-tests=ignore
done

# The two Windows architectures run side by side, each on its own display and
# Wine prefix: their tests mostly wait for windows. The x64 Debug build's
# tests follow x64's on its side, while x86's go on; x86's output is shown
# when it is done.
echo "=== windows-x86 and windows-x64, then windows-x64-debug: tests"
x86_log=build/windows-x86/ctest.log
ctest --preset windows-x86 -j "$jobs" --no-tests=ignore >"$x86_log" 2>&1 &
x86=$!
x64_status=0
ctest --preset windows-x64 -j "$jobs" --no-tests=ignore || x64_status=$?
echo "=== windows-x64-debug: tests"
debug_status=0
ctest --preset windows-x64-debug -j "$jobs" --no-tests=ignore || debug_status=$?
x86_status=0
wait "$x86" || x86_status=$?
echo "=== windows-x86: tests"
cat "$x86_log"
[ "$x64_status" = 0 ] && [ "$debug_status" = 0 ] && [ "$x86_status" = 0 ]
