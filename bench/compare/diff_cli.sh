#!/usr/bin/env bash
# Times tessarine --diff as whole processes and reports the median wall time of RUNS runs,
# the peak RSS and the peak anonymous memory (RssAnon, sampled every 20 ms in a run of its
# own; mapped file pages are not anonymous). The pairs (make_pair.py, generated into DIR
# once, default /tmp/tess-diff-bench):
#   20 MB: two documents of 78 k records (940 k nodes each) differing in 300 places
#          (engine's road);
#   1 GB:  two documents of 3.9 M records (47 M nodes each) differing in 10 places (big road).
#   bench/compare/diff_cli.sh [DIR]    (RUNS=3 by default; TESS=path times another binary)
set -euo pipefail
cd "$(dirname "$0")/../.."
dir="${1:-/tmp/tess-diff-bench}"
runs="${RUNS:-3}"
mkdir -p "$dir"
[ -f "$dir/a20.json" ] || python3 bench/compare/make_pair.py 20 300 "$dir/a20.json" "$dir/b20.json"
[ -f "$dir/a1g.json" ] || python3 bench/compare/make_pair.py 1000 10 "$dir/a1g.json" "$dir/b1g.json" 2
if [ -z "${TESS:-}" ]; then
  ./scripts/build.sh bench >/dev/null
fi
tess="${TESS:-build/bench/app/tessarine}"

measure() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -o /tmp/tess_diff_rss -f '%M' "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $(tail -1 /tmp/tess_diff_rss)"
}
peak_anon() {
  "$@" >/dev/null 2>&1 &
  local pid=$! peak=0 v
  while kill -0 "$pid" 2>/dev/null; do
    v=$(awk '/^RssAnon:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$v" ] && [ "$v" -gt "$peak" ] && peak=$v
    sleep 0.02
  done
  wait "$pid" || true
  echo "$peak"
}
row() {
  local name=$1; shift
  local times=() rss=0 line
  for _ in $(seq "$runs"); do
    line=$(measure "$@")
    times+=("${line% *}")
    rss=${line#* }
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  printf '%-8s %8s ms  peak RSS %8s kB  peak anonymous %8s kB  lines %s\n' "$name" "$median" "$rss" \
    "$(peak_anon "$@")" "$("$@" 2>/dev/null | wc -l)"
}
row 20MB "$tess" --diff "$dir/a20.json" "$dir/b20.json"
row 1GB "$tess" --diff "$dir/a1g.json" "$dir/b1g.json"
