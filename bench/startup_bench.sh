#!/bin/sh
# Start-up of the control panel and of the calibration window under a warm
# Wine, against bare programs doing the least of the same (bench/startup_bench.cpp).
# usage: bench/startup_bench.sh [runs]   (default 10 of each)
# VEL_BENCH_BUILD names another build folder (default build/windows-x64).
set -e
cd "$(dirname "$0")/.."
build=${VEL_BENCH_BUILD:-build/windows-x64}
wine=/usr/lib/wine/wine64

cmake --preset windows-x64 -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

dir=$PWD/$build/bench-wine
scripts/wine-fixture.sh start "$wine" "$dir" >/dev/null
trap 'scripts/wine-fixture.sh stop "$wine" "$dir"' EXIT
scripts/wine-run.sh "$wine" "$dir" "$build/bin/startup_bench.exe" panel "$@"
scripts/wine-run.sh "$wine" "$dir" "$build/bin/startup_bench.exe" calib "$@"
