#!/bin/sh
# Report-to-repaint latency of the calibration window under Wine: builds the
# x64 binaries, starts a private display and Wine, runs bench/calib_latency.cpp
# against the simulated touch screen and prints p50 and p95.
# usage: bench/calib_latency.sh [reports]   (default 200)
set -e
cd "$(dirname "$0")/.."
build=${VEL_BENCH_BUILD:-build/windows-x64}
wine=/usr/lib/wine/wine64

cmake --preset windows-x64 -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target calib_latency >/dev/null

scripts/wine-fixture.sh start "$wine" "$PWD/$build/wine" >/dev/null
trap 'scripts/wine-fixture.sh stop "$wine" "$PWD/$build/wine"' EXIT
scripts/wine-run.sh "$wine" "$PWD/$build/wine" "$build/bin/calib_latency.exe" "$@"
