#!/bin/sh
# Builds everything and runs every test: the windowless core natively (also
# under ASan + UBSan and ThreadSanitizer, and its fuzz targets for a few
# seconds each), and the Windows binaries under Wine (x64, and x86 where
# 32-bit Wine runs; the x64 Debug build, with the framework's assertions on,
# for the tests of the programs built on the framework); the packages signed
# with a throw-away certificate and verified, and built twice to the same
# bytes. VEL_STRESS_CYCLES sets the calibration start/stop stress test's
# cycles; VEL_REPRO=0 leaves out the two extra builds; VEL_I386_PROBE names a
# program that stands in for the package step's probe of the kernel (one that
# exits 126 rehearses a kernel that runs no i386 program). It ends with a
# summary: each check's and preset's counts, or why its tests were left out.
set -e
cd "$(dirname "$0")"
. scripts/packages.sh

mkdir -p build

# A check of the whole tree, by a script that ends with "<name>: N passed, N
# failed": its output into build/<name>.log, its exit status and seconds into
# build/<name>.rc, for the summary.
run_check() {
  name=$1 && shift
  echo "=== $name"
  start=$(date +%s) rc=0
  "$@" >"build/$name.log" 2>&1 || rc=$?
  cat "build/$name.log"
  echo "$rc $(($(date +%s) - start))" >"build/$name.rc"
}

# The package step's own test (stand-ins for apt, no root needed) comes first.
run_check packages sh tests/packages/packages_test.sh
vel_install_packages

jobs=$(nproc 2>/dev/null || echo 2)
export VEL_STRESS_CYCLES="${VEL_STRESS_CYCLES:-200}"

for preset in native native-sanitize native-tsan fuzz windows-x64 windows-x86 windows-x64-debug; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# The packages as an organisation makes them: signed with a throw-away
# certificate, every file verified; and built twice from this source, in two
# folders, to the same bytes (VEL_REPRO=0 leaves that out: it builds twice).
run_check signing sh tests/packages/sign_test.sh
if [ "${VEL_REPRO:-1}" = 1 ]; then
  run_check reproducible sh scripts/repro-check.sh
else
  rm -f build/reproducible.rc
fi

# Runs a preset's tests into build/<preset>/ctest.log, ctest's exit status
# into ctest.rc, for the summary.
run_tests() {
  rc=0
  ctest --preset "$1" -j "$jobs" --no-tests=ignore || rc=$?
  echo "$rc" >"build/$1/ctest.rc"
}

for preset in native native-sanitize native-tsan fuzz; do
  echo "=== $preset: tests"
  run_tests "$preset" 2>&1 | tee "build/$preset/ctest.log"
done

# The two Windows architectures run side by side, each on its own display and
# Wine prefix: their tests mostly wait for windows. The x64 Debug build's
# tests follow x64's on its side, while x86's go on; x86's output is shown
# when it is done.
echo "=== windows-x86 and windows-x64, then windows-x64-debug: tests"
run_tests windows-x86 >build/windows-x86/ctest.log 2>&1 &
x86=$!
run_tests windows-x64 2>&1 | tee build/windows-x64/ctest.log
echo "=== windows-x64-debug: tests"
run_tests windows-x64-debug 2>&1 | tee build/windows-x64-debug/ctest.log
wait "$x86" || true
echo "=== windows-x86: tests"
cat build/windows-x86/ctest.log

# One line a preset from ctest's count ("N% tests passed, F tests failed out
# of T"). A Windows preset that ran no test was left out (its Wine did not run
# its programs when configured); any other preset that ran none failed.
echo "=== summary"
passed=0 failed=0
summary() {
  # shellcheck disable=SC2046
  set -- "$1" "$(cat "build/$1/ctest.rc" 2>/dev/null || echo 1)" \
    $(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' "build/$1/ctest.log")
  if [ $# = 2 ] && [ "$2" = 0 ]; then
    case $1 in
    windows-x86) echo "$1: built; Wine tests left out: ${VEL_WINE32_LEFT_OUT:-its Wine did not run a program of this toolchain}" ;;
    windows-*) echo "$1: built; Wine tests left out: its Wine did not run a program of this toolchain" ;;
    *) echo "$1: FAILED: ran no test" && failed=$((failed + 1)) ;;
    esac
    return
  fi
  f=${3:-1} t=${4:-1}
  [ "$2" = 0 ] || [ "$f" != 0 ] || f=1
  echo "$1: $((t - f)) passed, $f failed"
  passed=$((passed + t - f)) failed=$((failed + f))
}
# A check's line, with its seconds; one that exited non-zero failed.
check_summary() {
  if [ ! -f "build/$1.rc" ]; then
    echo "$1: left out (VEL_REPRO=0)"
    return
  fi
  # shellcheck disable=SC2046
  set -- "$1" $(cat "build/$1.rc") \
    $(sed -n "s/^$1: \([0-9]*\) passed, \([0-9]*\) failed\$/\1 \2/p" "build/$1.log") 0 1
  p=$4 f=$5
  [ "$2" = 0 ] || [ "$f" != 0 ] || f=1
  echo "$1: $p passed, $f failed ($3 s)"
  passed=$((passed + p)) failed=$((failed + f))
}
for check in packages signing reproducible; do
  check_summary "$check"
done
for preset in native native-sanitize native-tsan fuzz windows-x64 windows-x86 windows-x64-debug; do
  summary "$preset"
done
echo "total: $passed passed, $failed failed"
[ "$failed" = 0 ]
