#!/usr/bin/env bash
# Start to answering on a real X server (Xvfb): the viewer starts with FILE given on the
# command line and a fresh data folder, RUNS times; prints each run and the medians.
# Usage: bench/gui/x11_start.sh FILE [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
file=$(realpath "$1")
bin=$(realpath "${2:-build/bench}/bench/gui/tess_x11_start")
runs="${RUNS:-5}"
exec xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb
  bin=$0 file=$1 runs=$2
  out=$(mktemp)
  for _ in $(seq "$runs"); do
    data=$(mktemp -d)
    TESS_T0_NS=$(date +%s%N) "$bin" --data-dir "$data" "$file" | tee -a "$out"
    rm -rf "$data"
  done
  median() { sort -n | awk "{ v[NR] = \$1 } END { print v[int((NR + 1) / 2)] }"; }
  echo "median: painted $(awk "{print \$2}" "$out" | median) ms, answering $(awk "{print \$5}" "$out" | median) ms"
  rm -f "$out"
' "$bin" "$file" "$runs"
