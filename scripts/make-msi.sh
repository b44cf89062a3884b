#!/bin/sh
# Builds the Windows Installer package of one architecture with wixl from
# packaging/VelTouch.wxs, then adds what wixl cannot express with msibuild.
# usage: make-msi.sh <x64|x86> <version a.b.c.d> <bin dir> <output.msi>
set -e
arch=$1 version=$2 bin=$3 out=$4
src=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$bin" && pwd)
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
# wixl finds sources by paths relative to its working folder.
(cd / && wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D BinDir="${bin#/}" \
  -D SourceDir="${src#/}" -o "$out" "$src/packaging/VelTouch.wxs")
# - A package replaces one of the same version too: Windows Installer compares
#   only the first three numbers, and the fourth counts for us.
# - SIMULATEDSCREEN=0 leaves the simulated screen out (its feature's level 0).
# - The tools cannot be left out.
# - The public properties reach the installation's elevated part.
code=$(msiinfo export "$out" Property | awk -F'\t' '$1 == "UpgradeCode" { print $2 }' | tr -d '\r')
msibuild "$out" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$code', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
  -q "CREATE TABLE \`Condition\` (\`Feature_\` CHAR(38) NOT NULL, \`Level\` SHORT NOT NULL, \`Condition\` CHAR(255) PRIMARY KEY \`Feature_\`, \`Level\`)" \
  -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`) VALUES ('SimulatedScreen', 0, 'SIMULATEDSCREEN = \"0\"')" \
  -q "UPDATE \`Feature\` SET \`Attributes\` = 16 WHERE \`Feature\` = 'Tools'" \
  -q "UPDATE \`Property\` SET \`Value\` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;PROFILE;SIMULATEDSCREEN' WHERE \`Property\` = 'SecureCustomProperties'"
