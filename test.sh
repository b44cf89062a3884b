#!/bin/sh
# Builds everything and runs every test: the windowless core natively (also
# under ASan + UBSan, and its fuzz targets for a few seconds each), and the
# Windows binaries under Wine (x64, and x86 where 32-bit Wine is installed).
set -e
cd "$(dirname "$0")"
. cmake/packages.sh
vel_install_packages

jobs=$(nproc 2>/dev/null || echo 2)

for preset in native native-sanitize fuzz windows-x64 windows-x86; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

for preset in windows-x86 native native-sanitize fuzz windows-x64; do
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs" --no-tests=ignore
done
