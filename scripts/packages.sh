#!/bin/sh
# Installs the Debian packages the build and the tests need (as root), or
# prints the command to do so and fails.
# usage: . scripts/packages.sh; vel_install_packages
VEL_PACKAGES="cmake make g++ googletest libgtest-dev libbenchmark-dev libeigen3-dev \
g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686 \
binutils-mingw-w64-x86-64 clang lld libclang-rt-14-dev wine64 fonts-wine xvfb xauth x11-apps imagemagick \
fonts-wqy-microhei locales python3 nsis wixl msitools"

vel_missing_packages() {
  missing=""
  for p in $VEL_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  echo "$missing"
}

vel_install_packages() {
  missing=$(vel_missing_packages)
  if [ -n "$missing" ]; then
    if [ "$(id -u)" = 0 ]; then
      echo "installing:$missing"
      export DEBIAN_FRONTEND=noninteractive
      apt-get update -qq
      # shellcheck disable=SC2086
      apt-get install -y -qq --no-install-recommends $missing >/dev/null
    else
      echo "missing packages:$missing"
      echo "install them with: sudo apt-get install$missing"
      exit 1
    fi
  fi
  # 32-bit Wine runs the windows-x86 programs (VEL_WINE32=0 leaves it out).
  if [ "${VEL_WINE32:-1}" = 1 ] && [ ! -x /usr/lib/wine/wine ]; then
    if [ "$(id -u)" = 0 ]; then
      echo "installing 32-bit Wine"
      export DEBIAN_FRONTEND=noninteractive
      dpkg --add-architecture i386
      apt-get update -qq
      apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null ||
        echo "32-bit Wine could not be installed: the windows-x86 tests will not run"
    else
      echo "32-bit Wine is missing: the windows-x86 tests will not run"
      echo "install it with: sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install wine32:i386"
    fi
  fi
}
