#!/usr/bin/env bash
# Times "tessarine --stats --raw" against a RapidJSON DOM parse plus node count on the
# same files, side by side (runs interleaved), and reports the median wall time of
# RUNS runs and the peak memory (max RSS) of each.
#   bench/compare_cli.sh [CORPUS_DIR]   (builds build/bench first; RUNS=5 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh bench >/dev/null
dir="${1:-build/bench/corpus}"
runs="${RUNS:-5}"
mkdir -p "$dir"
[ -f "$dir/api-50mb-gbk.json" ] || build/bench/bench/engine/tess_corpus "$dir"
tess=build/bench/app/tessarine
ref=build/bench/bench/engine/rapidjson_count

# One run: prints "milliseconds maxrss_kb".
measure() {
  local t0 t1 rss
  t0=$(date +%s%N)
  rss=$( { /usr/bin/time -f '%M' "$@" >/dev/null; } 2>&1 | tail -1)
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $rss"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-22s %9s %9s %9s %9s %7s %9s\n' file tess_ms tess_MB rapid_ms rapid_MB ratio peak/file
for f in api-10mb-gbk api-50mb-gbk pretty-10mb-gbk numbers-1m deep-arrays-100k deep-objects-100k; do
  path="$dir/$f.json"
  size=$(stat -c %s "$path")
  : >/tmp/tess_cmp_t; : >/tmp/tess_cmp_r
  for _ in $(seq "$runs"); do
    measure "$tess" --stats --raw "$path" >>/tmp/tess_cmp_t
    measure "$ref" "$path" >>/tmp/tess_cmp_r
  done
  ts=$(cut -d' ' -f1 /tmp/tess_cmp_t | median); tm=$(cut -d' ' -f2 /tmp/tess_cmp_t | sort -n | tail -1)
  rs=$(cut -d' ' -f1 /tmp/tess_cmp_r | median); rm=$(cut -d' ' -f2 /tmp/tess_cmp_r | sort -n | tail -1)
  awk -v f="$f" -v ts="$ts" -v tm="$tm" -v rs="$rs" -v rm="$rm" -v size="$size" 'BEGIN {
    printf "%-22s %9d %9.1f %9d %9.1f %7.2f %8.2fx\n", f, ts, tm/1024, rs, rm/1024, (rs>0?ts/rs:0), tm*1024/size }'
done
rm -f /tmp/tess_cmp_t /tmp/tess_cmp_r
