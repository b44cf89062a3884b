#!/bin/sh
# Runs every fuzz target for a while (default 600 s each, one after the
# other) over its committed seeds plus a working corpus in build/fuzz/corpus,
# and prints each target's executions and findings. Inputs that break an
# invariant or crash land in build/fuzz/findings/<target>/.
# usage: fuzz/run.sh [seconds] [target...]
set -e
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-"report_collector_fuzz calibmatrix_fuzz panelcore_fuzz sdk_state_fuzz sdk_script_fuzz sdk_recording_fuzz pefile_fuzz calibresult_fuzz calibmemory_fuzz"}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
status=0
for t in $targets; do
  mkdir -p "build/fuzz/corpus/$t" "build/fuzz/findings/$t"
  if build/fuzz/bin/"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$t/" \
      "build/fuzz/corpus/$t" "fuzz/corpus/$t" >"build/fuzz/$t.log" 2>&1; then
    result="no finding"
  else
    result="FINDING (see build/fuzz/$t.log)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$t.log")
  corpus=$(ls "build/fuzz/corpus/$t" | wc -l)
  echo "$t: ${runs:-?} executions in ${seconds} s, corpus $corpus inputs, $result"
done
exit $status
