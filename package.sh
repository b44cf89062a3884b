#!/bin/sh
# Builds the release packages of both architectures into build/<preset>/packages/:
# per architecture a ZIP of the tools, an installer with the simulated touch
# screen and a Windows Installer package (see cmake/VelPackage.cmake).
set -e
cd "$(dirname "$0")"
. scripts/packages.sh
VEL_WINE32=0 vel_install_packages

for preset in windows-x64 windows-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)"
  (cd "build/$preset" && cpack -C Release >/dev/null)
  cmake --build --preset "$preset" --target msi >/dev/null
  ls -l "build/$preset/packages/"VelTouch-*
done
