#!/usr/bin/env bash
# Times "tessarine --stats --raw" against a RapidJSON DOM parse plus node count on the
# same files, side by side, and reports wall time and peak memory (max RSS) of each.
#   bench/compare_cli.sh [CORPUS_DIR]   (builds build/bench first)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh bench >/dev/null
dir="${1:-build/bench/corpus}"
mkdir -p "$dir"
[ -f "$dir/api-50mb-gbk.json" ] || build/bench/bench/engine/tess_corpus "$dir"
tess=build/bench/app/tessarine
ref=build/bench/bench/engine/rapidjson_count
printf '%-26s %10s %12s %10s %12s %8s\n' file tess_s tess_MB rapid_s rapid_MB ratio
for f in api-10mb-gbk api-50mb-gbk pretty-10mb-gbk numbers-1m deep-arrays-100k deep-objects-100k; do
  path="$dir/$f.json"
  size=$(stat -c %s "$path")
  t=$( { /usr/bin/time -f '%e %M' "$tess" --stats --raw "$path" >/dev/null; } 2>&1 | tail -1)
  r=$( { /usr/bin/time -f '%e %M' "$ref" "$path" >/dev/null; } 2>&1 | tail -1)
  read -r ts tm <<<"$t"; read -r rs rm <<<"$r"
  awk -v f="$f" -v ts="$ts" -v tm="$tm" -v rs="$rs" -v rm="$rm" -v size="$size" 'BEGIN {
    printf "%-26s %10.2f %12.1f %10.2f %12.1f %8.2f   (tess peak %.2fx file)\n", f, ts, tm/1024, rs, rm/1024, (rs>0?ts/rs:0), tm*1024/size }'
done
