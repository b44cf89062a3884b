#!/bin/sh
# Builds the Windows Installer package of one architecture with wixl from
# packaging/VelTouch.wxs, then adds what wixl cannot express with msibuild.
# usage: make-msi.sh <x64|x86> <version a.b.c.d> <bin dir> <output.msi>
#
# The files go in from a staging folder, with velsetup.dll, the package's
# custom actions (packaging/setup), which is not installed:
# - with VEL_SIGN_CERT in the environment (package.sh --sign), the programs
#   and libraries are signed there (scripts/sign.sh), and the package itself
#   once it is made;
# - with SOURCE_DATE_EPOCH, they take that time, and so do the package's
#   creation and save times.
# The product and package codes are made from what goes in (the files, the
# version, the architecture, this script and the .wxs), not drawn at random:
# one source gives one package, byte for byte, and any change gives new codes.
set -e
arch=$1 version=$2 bin=$3 out=$4
src=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$bin" && pwd)
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
stage=$(mktemp -d "${TMPDIR:-/tmp}/vel-msi.XXXXXX")
trap 'rm -rf "$stage"' EXIT

for f in VelApp.exe VelCalib.dll velctl.exe SDK.dll velsetup.dll; do cp "$bin/$f" "$stage/"; done
for f in README.md LICENSE CHANGELOG.md; do cp "$src/$f" "$stage/"; done
[ -z "$VEL_SIGN_CERT" ] || sh "$src/scripts/sign.sh" "$stage"/*.exe "$stage"/*.dll
[ -z "$SOURCE_DATE_EPOCH" ] || touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

# A GUID from the SHA-256 of a purpose and what goes in, as a name-based
# (version 5 layout) GUID.
inputs=$(cd "$stage" && sha256sum -- * && printf '%s %s\n' "$arch" "$version" &&
  sha256sum "$src/packaging/VelTouch.wxs" "$src/scripts/make-msi.sh" | cut -d' ' -f1)
guid() {
  h=$(printf '%s\n%s\n' "$1" "$inputs" | sha256sum | tr a-f A-F)
  printf '{%s-%s-5%s-8%s-%s}\n' "$(echo "$h" | cut -c1-8)" "$(echo "$h" | cut -c9-12)" \
    "$(echo "$h" | cut -c14-16)" "$(echo "$h" | cut -c18-20)" "$(echo "$h" | cut -c21-32)"
}

# wixl finds sources by paths relative to its working folder.
(cd / && wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D ProductCode="$(guid product)" \
  -D FileDir="${stage#/}" -D SourceDir="${src#/}" -o "$out" "$src/packaging/VelTouch.wxs")
# - A package replaces one of the same version too: Windows Installer compares
#   only the first three numbers, and the fourth counts for us.
# - SIMULATEDSCREEN=0 leaves the simulated screen out (its feature's level 0),
#   and so does the maker's SDK.dll (MAKERSDKDLL), which also decides whether
#   the installation remembers one.
# - The tools cannot be left out.
# - UndoSdkDll is a rollback action (wixl drops Execute="rollback"): a DLL
#   (1) that may fail (64), in the script (1024) as rollback (256), elevated
#   (2048).
# - The public properties reach the installation's elevated part.
code=$(msiinfo export "$out" Property | awk -F'\t' '$1 == "UpgradeCode" { print $2 }' | tr -d '\r')
msibuild "$out" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
  -q "CREATE TABLE \`Condition\` (\`Feature_\` CHAR(38) NOT NULL, \`Level\` SHORT NOT NULL, \`Condition\` CHAR(255) PRIMARY KEY \`Feature_\`, \`Level\`)" \
  -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`) VALUES ('SimulatedScreen', 0, 'SIMULATEDSCREEN = \"0\" OR MAKERSDKDLL')" \
  -q "UPDATE \`Component\` SET \`Condition\` = 'MAKERSDKDLL' WHERE \`Component\` = 'MakerSdkDll'" \
  -q "UPDATE \`Feature\` SET \`Attributes\` = 16 WHERE \`Feature\` = 'Tools'" \
  -q "UPDATE \`CustomAction\` SET \`Type\` = 3393 WHERE \`Action\` = 'UndoSdkDll'" \
  -q "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;PROFILE;SIMULATEDSCREEN;SDKDLL;MAKERSDKDLL;REMEMBEREDSDKDLL' WHERE \`Property\` = 'SecureCustomProperties'"

# The summary's package code (9) and, with SOURCE_DATE_EPOCH, its creation
# and save times (12, 13; in UTC) through an imported summary table.
TZ=UTC msiinfo export "$out" _SummaryInformation | tr -d '\r' | awk -F'\t' -v OFS='\t' \
  -v code="$(guid package)" \
  -v time="${SOURCE_DATE_EPOCH:+$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%Y/%m/%d %H:%M:%S')}" '
  NR > 3 && $1 == 9 { $2 = code }
  NR > 3 && ($1 == 12 || $1 == 13) && time != "" { $2 = time }
  { printf "%s\r\n", $0 }' >"$stage/_SummaryInformation.idt"
(cd "$stage" && TZ=UTC msibuild "$out" -i _SummaryInformation.idt)

[ -z "$VEL_SIGN_CERT" ] || sh "$src/scripts/sign.sh" "$out"
