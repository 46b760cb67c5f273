#!/usr/bin/env bash
# Times tessarine --stats on the big-document files against a RapidJSON DOM parse and a
# simdjson DOM parse (each with a node-counting walk), whole processes, and reports the
# median wall time of RUNS runs, the peak RSS and the peak anonymous memory (RssAnon,
# sampled every 20 ms in a run of its own; mapped file pages are not anonymous).
#   bench/big/compare_big.sh [DIR]   (files generated into DIR once, default /tmp/tess-big;
#                                     RUNS=3 by default; TESS=path times another binary)
# The files: the GeoJSON look-alike (168 MB), the API-style document (1 GB) and the JSON
# Lines file (2 M records, about 1 GB). RapidJSON and simdjson read JSON Lines as one
# document and fail on it; their row is left empty.
set -euo pipefail
cd "$(dirname "$0")/../.."
./scripts/build.sh bench >/dev/null
dir="${1:-/tmp/tess-big}"
runs="${RUNS:-3}"
mkdir -p "$dir"
gen=build/bench/bench/big/tess_bigdoc
[ -f "$dir/geo.json" ] || "$gen" geojson "$dir/geo.json"
[ -f "$dir/api.json" ] || "$gen" api "$dir/api.json"
[ -f "$dir/log.jsonl" ] || "$gen" lines "$dir/log.jsonl"
tess="${TESS:-build/bench/app/tessarine}"
rapid=build/bench/bench/engine/rapidjson_count
simd=build/bench/bench/big/simdjson_count

# One run: "milliseconds maxrss_kb".
measure() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -o /tmp/tess_big_rss -f '%M' "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $(tail -1 /tmp/tess_big_rss)"
}
# Peak RssAnon (kB) of one run, sampled.
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
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

row() {
  local name=$1 file=$2; shift 2
  local size t m a
  size=$(stat -c %s "$file")
  : >/tmp/tess_big_runs
  for _ in $(seq "$runs"); do measure "$@" "$file" >>/tmp/tess_big_runs; done
  t=$(cut -d' ' -f1 /tmp/tess_big_runs | median)
  m=$(cut -d' ' -f2 /tmp/tess_big_runs | sort -n | tail -1)
  a=$(peak_anon "$@" "$file")
  awk -v n="$name" -v f="$(basename "$file")" -v s="$size" -v t="$t" -v m="$m" -v a="$a" 'BEGIN {
    printf "%-10s %-10s %8.1f %8d %9.1f %9.1f %8.3f\n", f, n, s/1048576, t, m/1024, a/1024, a*1024/s }'
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-10s %-10s %8s %8s %9s %9s %8s\n' file reader file_MB wall_ms peak_MB anon_MB anon/file
for f in geo.json api.json log.jsonl; do
  row tessarine "$dir/$f" "$tess" --stats
  if [ "$f" != log.jsonl ]; then
    row rapidjson "$dir/$f" "$rapid"
    row simdjson "$dir/$f" "$simd"
  fi
done
rm -f /tmp/tess_big_runs /tmp/tess_big_rss
