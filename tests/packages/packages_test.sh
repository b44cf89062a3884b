#!/bin/sh
# The package step (scripts/packages.sh) against a mirror in the middle of a
# sync or on a kernel that runs no i386 program, with fake-apt standing in for
# apt-get, apt-cache, dpkg, dpkg-query, id and the i386 probe. A row: the
# scenario (see fake-apt), the step's exit status, "has" or "not", and a line
# (grep -x pattern) of the step's output and apt-get calls. The step runs under
# set -e, as in test.sh.
cd "$(dirname "$0")/../.." || exit 1
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
for c in apt-get apt-cache dpkg dpkg-query id i386-probe; do ln -s "$PWD/tests/packages/fake-apt" "$tmp/$c"; done
passed=0 failed=0
while IFS='|' read -r scenario status has line; do
  out=$tmp/$scenario.out
  if [ ! -f "$out" ]; then
    mkdir "$tmp/$scenario" && printf '#!/bin/sh\n' >"$tmp/$scenario/wine64" && chmod +x "$tmp/$scenario/wine64"
    # shellcheck disable=SC2094 # the stand-ins add their calls to the output
    (set -e; export PATH="$tmp:$PATH" VEL_WINE_LIB="$tmp/$scenario" VEL_APT_PAUSE=0 VEL_I386_PROBE="$tmp/i386-probe" FAKE="$scenario" FAKE_LOG="$out"
     . scripts/packages.sh; vel_install_packages) </dev/null >>"$out" 2>&1
    echo $? >"$tmp/$scenario.rc"
  fi
  if grep -qx -- "$line" "$out"; then got=has; else got=not; fi
  if [ "$got" = "$has" ] && [ "$(cat "$tmp/$scenario.rc")" = "$status" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)) && echo "FAILED: $scenario: exit $status, $has: $line" && sed 's/^/  | /' "$out"
  fi
done <<'ROWS'
route|0|has|warning: apt-get update failed (exit 100): Failed to fetch .*binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?; retrying in 0 s
route|0|has|warning: apt-get update failed again (exit 100): going on with the package lists apt has
route|0|has|apt-get install -y -qq --no-install-recommends xvfb
route|0|has|32-bit Wine: apt-get install wine32:i386 failed: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages.
route|0|has|apt-get install -y -qq --no-install-recommends --no-remove wine32:i386 --allow-downgrades libc6:amd64=2.36-9 libc6:i386=2.36-9 libgstreamer-plugins-base1.0-0:amd64=1.22.0-3+deb12u6 libgstreamer-plugins-base1.0-0:i386=1.22.0-3+deb12u6 libgstreamer-plugins-base1.0-dev=1.22.0-3+deb12u6
route|0|has|32-bit Wine installed
route|0|not|.*\(!!!\|wine64\).*
never|0|has|!!! windows-x86: 32-bit Wine could not be installed (Error, pkgProblemResolver::Resolve generated breaks, .*; apt-get update: Failed to fetch .* Mirror sync in progress?): its Wine tests are left out (it is still built)
wine64gone|0|has|apt-get install -y -qq --no-install-recommends --reinstall wine64
noi386|0|has|!!! windows-x86: this kernel runs no i386 program (a static i386 ELF: exit 126, Exec format error), so no 32-bit Wine can; none was installed: its Wine tests are left out (it is still built)
noi386|0|has|apt-get install -y -qq --no-install-recommends xvfb
noi386|0|not|.*\(wine32\|installing 32-bit\|i386=\).*
nomain|1|has|!!! ERROR: apt-get could not install: xvfb (apt-get update failed: Failed to fetch .*)
ROWS
echo "packages: $passed passed, $failed failed"
[ "$failed" = 0 ]
