#!/usr/bin/env bash
# Times the standard-JSON modes as whole processes: --flat on a 20 MB and a 1 GB API-style
# document (tess_bigdoc api), --check on the 1 GB one, and --csv on the 2 M records of the
# JSON Lines file; median wall time of RUNS runs (3) and the peak RSS of the last run.
#   bench/standard/standard_cli.sh [DIR]   (files generated into DIR once, default /tmp/tess-big)
set -euo pipefail
cd "$(dirname "$0")/../.."
dir="${1:-/tmp/tess-big}"
runs="${RUNS:-3}"
mkdir -p "$dir"
gen=build/bench/bench/big/tess_bigdoc
tess="${TESS:-build/bench/app/tessarine}"
[ -f "$dir/api20.json" ] || "$gen" api "$dir/api20.json" 20
[ -f "$dir/api.json" ] || "$gen" api "$dir/api.json"
[ -f "$dir/log.jsonl" ] || "$gen" lines "$dir/log.jsonl"

row() {
  local name=$1; shift
  local times=() t0 t1
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    /usr/bin/time -o /tmp/tess_std_rss -f '%M' "$@" >/dev/null 2>/tmp/tess_std_err || true
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  printf '%-34s %8s ms %8s MiB peak RSS\n' "$name" "$median" "$(( $(tail -1 /tmp/tess_std_rss) / 1024 ))"
}

row "--flat 20 MB API document" "$tess" --flat "$dir/api20.json"
row "--flat 1 GB API document" "$tess" --flat "$dir/api.json"
row "--check 1 GB API document" "$tess" --check "$dir/api.json"
row "--csv . 2 M records JSON Lines" "$tess" --csv . "$dir/log.jsonl"
