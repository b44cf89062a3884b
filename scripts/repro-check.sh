#!/bin/sh
# Builds the x64 packages twice from this source, each time in a new folder
# (a copy of the files git tracks or would track, so that no path or time of
# this tree is shared), one after the other, and compares the SHA-256 of the
# programs, libraries, ZIP, installer and MSI (unsigned). Both builds take the
# time of the last commit (SOURCE_DATE_EPOCH), as package.sh does.
# It prints both hash lists and ends with "reproducible: N passed, N failed",
# a file a line; it exits non-zero when a file differs. VEL_REPRO_KEEP=1
# keeps the two folders for a look with diffoscope or cmp.
set -e
cd "$(dirname "$0")/.."
src=$PWD
# The files of the tree, NUL-separated: those git knows or would (outside a
# git checkout, all but the build folders).
tree_files() {
  git -C "$src" ls-files -z --cached --others --exclude-standard 2>/dev/null ||
    (cd "$src" && find . \( -path ./build -o -path './build-*' -o -path ./.git \) -prune -o \
      ! -type d -print0)
}
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
work=$(mktemp -d "${TMPDIR:-/tmp}/vel-repro.XXXXXX")
[ "${VEL_REPRO_KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

for n in 1 2; do
  tree=$work/build$n/VelTouch-source-$n
  mkdir -p "$tree"
  tree_files | (cd "$src" && xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$tree"
  echo "=== reproducible: build $n in $tree ($(date -u '+%H:%M:%S'))"
  (cd "$tree" && cmake --preset windows-x64 -DVEL_WINE_TESTS=OFF >/dev/null &&
    ./package.sh --arch x64 --out "$work/packages$n" >/dev/null)
  (cd "$tree/build/windows-x64/bin" && sha256sum VelApp.exe VelCalib.dll velctl.exe SDK.dll &&
    cd "$work/packages$n" && sha256sum -- *) >"$work/hashes$n"
  echo "--- build $n"
  cat "$work/hashes$n"
done

passed=0 failed=0
while read -r hash file; do
  if grep -qx "$hash  $file" "$work/hashes2"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)) && echo "DIFFERS: $file"
  fi
done <"$work/hashes1"
[ "$(wc -l <"$work/hashes1")" = "$(wc -l <"$work/hashes2")" ] || { failed=$((failed + 1)) && echo "the two builds made different files"; }
[ "$passed" -gt 0 ] || failed=$((failed + 1))
echo "reproducible: $passed passed, $failed failed"
[ "$failed" = 0 ]
