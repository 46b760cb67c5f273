#!/usr/bin/env bash
# Times tessarine against a RapidJSON DOM parse and a simdjson DOM parse (each plus a node
# count) on every shape of the benchmark corpus, side by side (runs interleaved), and
# reports the median wall time of RUNS runs and the peak memory (max RSS) of each, in one
# table.
#   bench/compare_cli.sh [CORPUS_DIR]   (builds build/bench first; RUNS=5 by default;
#                                        TESS=path times another tessarine binary;
#                                        FULL=1 makes the map coordinates at full size;
#                                        SHAPES="a b" times only those shapes)
# Every shape comes as a UTF-8 and a GB18030 copy. tessarine reads the UTF-8 copy with
# --stats (its conversion to GB18030 included) and the GB18030 copy with --stats --raw.
# RapidJSON and simdjson cannot read GB18030: they parse the UTF-8 copy in
# both rows. The ratio is tessarine's time over RapidJSON's.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh bench >/dev/null
dir="${1:-build/bench/corpus}"
runs="${RUNS:-5}"
mkdir -p "$dir"
[ -f "$dir/coordinates-pretty.json" ] || build/bench/bench/engine/tess_corpus "$dir" ${FULL:+--full}
tess="${TESS:-build/bench/app/tessarine}"
ref=build/bench/bench/engine/rapidjson_count
simd=build/bench/bench/big/simdjson_count
[ -x "$simd" ] || simd=""

# One run: prints "milliseconds maxrss_kb".
measure() {
  local t0 t1 rss
  t0=$(date +%s%N)
  rss=$( { /usr/bin/time -f '%M' "$@" >/dev/null; } 2>&1 | tail -1)
  t1=$(date +%s%N)
  echo "$(( (t1 - t0) / 1000000 )) $rss"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# shape, encoding: tessarine reads FILE with its flags, RapidJSON and simdjson REF_FILE.
row() {
  local shape=$1 enc=$2 path=$3 refpath=$4; shift 4
  local size ts tm rs rm ss sm
  size=$(stat -c %s "$path")
  : >/tmp/tess_cmp_t; : >/tmp/tess_cmp_r; : >/tmp/tess_cmp_s
  for _ in $(seq "$runs"); do
    measure "$tess" "$@" "$path" >>/tmp/tess_cmp_t
    measure "$ref" "$refpath" >>/tmp/tess_cmp_r
    if [ -n "$simd" ]; then measure "$simd" "$refpath" >>/tmp/tess_cmp_s; else echo "0 0" >>/tmp/tess_cmp_s; fi
  done
  ts=$(cut -d' ' -f1 /tmp/tess_cmp_t | median); tm=$(cut -d' ' -f2 /tmp/tess_cmp_t | sort -n | tail -1)
  rs=$(cut -d' ' -f1 /tmp/tess_cmp_r | median); rm=$(cut -d' ' -f2 /tmp/tess_cmp_r | sort -n | tail -1)
  ss=$(cut -d' ' -f1 /tmp/tess_cmp_s | median); sm=$(cut -d' ' -f2 /tmp/tess_cmp_s | sort -n | tail -1)
  awk -v f="$shape" -v e="$enc" -v ts="$ts" -v tm="$tm" -v rs="$rs" -v rm="$rm" -v ss="$ss" -v sm="$sm" \
      -v size="$size" 'BEGIN {
    printf "%-26s %-7s %8.1f %8d %8.1f %8d %8.1f %8d %8.1f %6.2fx %8.2fx\n", f, e, size/1048576, ts, tm/1024, rs, rm/1024,
           ss, sm/1024, (rs>0?ts/rs:0), tm*1024/size }'
}
wanted() { [ -z "${SHAPES:-}" ] || [[ " $SHAPES " == *" $1 "* ]]; }

echo "RapidJSON and simdjson parse the UTF-8 copy in every row (they cannot read GB18030)."
echo "utf8: tessarine --stats (conversion included); gb18030: tessarine --stats --raw."
printf '%-26s %-7s %8s %8s %8s %8s %8s %8s %8s %7s %9s\n' shape input file_MB tess_ms tess_MB rapid_ms rapid_MB \
       simd_ms simd_MB ratio peak/file
for shape in api-10mb api-50mb api-esc-50mb api-esc-rewritten-50mb pretty-10mb pretty-esc-lf-16mb \
             pretty-esc-crlf-tabs-16mb records-compact records-2sp-lf records-2sp-lf-tight records-4sp-crlf \
             records-tabs-lf scripts-20mb support-tables-20mb feature-text-5mb; do
  wanted "$shape" || continue
  row "$shape" utf8 "$dir/$shape-utf8.json" "$dir/$shape-utf8.json" --stats
  row "$shape" gb18030 "$dir/$shape-gbk.json" "$dir/$shape-utf8.json" --stats --raw
done
# ASCII only: the UTF-8 and the GB18030 copy are the same file.
for shape in coordinates coordinates-pretty numbers-1m deep-arrays-100k deep-objects-100k; do
  wanted "$shape" || continue
  row "$shape" utf8 "$dir/$shape.json" "$dir/$shape.json" --stats
  row "$shape" gb18030 "$dir/$shape.json" "$dir/$shape.json" --stats --raw
done
rm -f /tmp/tess_cmp_t /tmp/tess_cmp_r /tmp/tess_cmp_s
