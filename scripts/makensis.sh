#!/bin/sh
# makensis as CPack runs it (CPACK_NSIS_EXECUTABLE, see cmake/VelPackage.cmake),
# with what CPack's script has no place for, given before the script:
# - the installer's target, from -DVEL_NSIS_TARGET=<cpu-charset> among the
#   arguments (amd64-unicode or x86-unicode: a program of the tools' own
#   architecture);
# - with VEL_SIGN_CERT in the environment (package.sh --sign), scripts/sign.sh
#   signs the plug-in libraries the installer carries (copies, taken before
#   NSIS's own), the uninstaller before it goes into the installer, and the
#   installer once it is written.
# With SOURCE_DATE_EPOCH set, the page file CPack writes beside the script
# takes that time: the installer records it, as it records every file's time.
set -e
here=$(cd "$(dirname "$0")" && pwd)
target=""
for arg; do
  case $arg in
  -DVEL_NSIS_TARGET=*) target=${arg#*=} ;;
  *.nsi) [ -z "$SOURCE_DATE_EPOCH" ] || [ ! -f "${arg%/*}/NSIS.InstallOptions.ini" ] ||
           touch -d "@$SOURCE_DATE_EPOCH" "${arg%/*}/NSIS.InstallOptions.ini" ;;
  esac
done
[ -n "$target" ] || exec makensis "$@"
[ -n "$VEL_SIGN_CERT" ] || exec makensis "-XTarget $target" "$@"

plugins=$(mktemp -d "${TMPDIR:-/tmp}/vel-nsis-plugins.XXXXXX")
trap 'rm -rf "$plugins"' EXIT
nsisdir=$(makensis -HDRINFO | tr ',' '\n' | sed -n 's/^ *NSISDIR=//p')
cp "$nsisdir/Plugins/$target/"*.dll "$plugins/"
sh "$here/sign.sh" "$plugins/"*.dll
sign="sh \"$here/sign.sh\" \"%1\""
makensis "-XTarget $target" "-X!addplugindir /$target $plugins" "-X!uninstfinalize '$sign' = 0" "-X!finalize '$sign' = 0" "$@"
