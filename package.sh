#!/bin/sh
# Builds the release packages: per architecture a ZIP of the tools, an
# installer with the simulated touch screen and a Windows Installer package
# (see cmake/VelPackage.cmake and scripts/make-msi.sh).
#
# usage: ./package.sh [--arch x64|x86] [--out DIR] [--sign CERT.pfx [--timestamp URL]]
#   --arch x64|x86    one architecture (default: both)
#   --out DIR         where the packages go (default: build/<preset>/packages/)
#   --sign CERT.pfx   signs, with this PKCS#12 certificate and its key (Authenticode,
#                     SHA-256), every program and library the packages carry, the
#                     installer, its uninstaller and the MSI. The password comes from
#                     the environment, never the command line: VEL_SIGN_PASSWORD, or
#                     the file that VEL_SIGN_PASSWORD_FILE names; neither: no password
#   --timestamp URL   with --sign: has an RFC 3161 time-stamping service countersign,
#                     so that the signatures stay valid after the certificate expires
#
# Every file in the packages takes the time of the last commit (SOURCE_DATE_EPOCH,
# unless it is set already): two runs on one commit give the same bytes, unsigned
# (scripts/repro-check.sh).
set -e
cd "$(dirname "$0")"
usage() {
  sed -n 's/^# \{0,1\}//; /^usage:/,/^$/p' "$0" | sed '$d' >&2
  exit 2
}
arches="x64 x86" out="" cert="" timestamp=""
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
  --arch) case $2 in x64 | x86) arches=$2 ;; *) usage ;; esac ;;
  --out) mkdir -p "$2" && out=$(cd "$2" && pwd) ;;
  --sign) [ -f "$2" ] || { echo "package.sh: no certificate file $2" >&2; exit 2; }
    cert=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") ;;
  --timestamp) timestamp=$2 ;;
  *) usage ;;
  esac
  shift 2
done
[ -z "$timestamp" ] || [ -n "$cert" ] || usage

. scripts/packages.sh
VEL_WINE32=0 vel_install_packages

if [ -z "$SOURCE_DATE_EPOCH" ]; then
  if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
    SOURCE_DATE_EPOCH=$(date +%s)
    echo "package.sh: no commit to take the packaged files' time from (not a git checkout): taking the time now; set SOURCE_DATE_EPOCH for packages that a rebuild reproduces" >&2
  fi
fi
export SOURCE_DATE_EPOCH

unset VEL_SIGN_CERT VEL_SIGN_TIMESTAMP
if [ -n "$cert" ]; then
  export VEL_SIGN_CERT="$cert" VEL_SIGN_TIMESTAMP="$timestamp"
  if [ -n "$VEL_SIGN_PASSWORD" ]; then
    # To osslsigncode through a file only this user can read.
    VEL_SIGN_PASSWORD_FILE=$(umask 077 && mktemp)
    trap 'rm -f "$VEL_SIGN_PASSWORD_FILE"' EXIT
    printf '%s\n' "$VEL_SIGN_PASSWORD" >"$VEL_SIGN_PASSWORD_FILE"
  fi
  [ -z "$VEL_SIGN_PASSWORD_FILE" ] || export VEL_SIGN_PASSWORD_FILE
fi

version=$(sed -n 's/^project(VelTouch VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for arch in $arches; do
  preset=windows-$arch
  case $arch in x64) name=VelTouch-$version-win64 ;; *) name=VelTouch-$version-win32 ;; esac
  dir=${out:-$PWD/build/$preset/packages}
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" --target VelApp VelCalib velctl SDK velsetup
  (cd "build/$preset" && cpack -C Release -D CPACK_OUTPUT_FILE_PREFIX="$dir" >/dev/null)
  sh scripts/make-msi.sh "$arch" "$version" "build/$preset/bin" "$dir/$name.msi"
  ls -l "$dir/$name.zip" "$dir/$name-demo-setup.exe" "$dir/$name.msi"
done
