#!/bin/sh
# Runs the velctl examples of README.md under Wine and compares their output
# with what the README shows.
# usage: readme_examples.sh <wine-run.sh> <wine> <wine-dir> <bin-dir> <README.md>
# Each ```console block of the README's velctl section is one cmd batch run on
# a factory simulated screen: "> " lines are its commands, the other lines
# the output they print (standard output and errors together).
set -e
run="$1"; wine="$2"; dir="$3"; bin="$4"; readme="$5"
mkdir -p "$dir/homes"
work=$(mktemp -d "$dir/homes/readme.XXXXXX")
winpath() { echo "Z:$1" | tr / '\\'; }

awk -v work="$work" '
  /^## / { inside = ($0 ~ /^## velctl/) }
  inside && /^```console/ { n++; block = 1; next }
  block && /^```/ { block = 0; next }
  block && /^> / { print substr($0, 3) "\r" > (work "/" n ".bat"); next }
  block { print > (work "/" n ".expected") }
' "$readme"

# Wine's own double-click settings, before and after: the examples change them.
restore() {
  mkdir -p "$work/restore.home"
  VEL_SDK_HOME="$(winpath "$work/restore.home")" "$run" "$wine" "$dir" \
    "$bin/velctl.exe" set doubleClickRange=4 doubleClickSpeed=500 >/dev/null 2>&1 || true
}
restore

ls "$work"/*.bat >/dev/null 2>&1 || { echo "no velctl examples found in $readme"; exit 1; }
export WINEPATH="$(winpath "$bin")"
failed=0
# In the README's order (blocks may use files an earlier one wrote), not the
# shell's: 10.bat sorts before 9.bat.
count=$(ls "$work"/*.bat | wc -l)
for n in $(seq 1 "$count"); do
  bat=$work/$n.bat
  mkdir -p "$work/$n.home"
  { printf '@echo off\r\n'; cat "$bat"; } >"$work/$n.cmd.bat"
  (cd "$work" && VEL_SDK_HOME="$(winpath "$work/$n.home")" \
    "$run" "$wine" "$dir" cmd /c "$n.cmd.bat" 2>&1 | tr -d '\r' >"$work/$n.actual") || true
  touch "$work/$n.expected"
  if ! diff -u "$work/$n.expected" "$work/$n.actual"; then
    echo "README example block $n differs (above: what the README shows, then what ran)"
    failed=1
  fi
done

restore
exit $failed
