#!/usr/bin/env bash
# Every command-line mode on hostile shapes, on both roads: wall time, peak RSS, peak
# anonymous memory (RssAnon, sampled every 20 ms) and the bytes written, one run each
# (a run that ends or refuses within seconds is what is asked; a slow one is cut at
# LIMIT seconds and marked).
#   bench/big/hostile_cli.sh [DIR]   (files generated into DIR once, default /tmp/tess-hostile;
#                                     TESS=path times another binary, LIMIT=60 by default)
# The shapes: nesting 10^5 and 10^7 deep ([[[...1...]]]), one string of 500 MB, one array
# of 10^7 numbers, one object with a name repeated 10^6 times. The big road is forced by
# TESSARINE_BIG_THRESHOLD=0; the engine's by a threshold above every file (the 500 MB
# string is past neither road's limits).
set -euo pipefail
cd "$(dirname "$0")/../.."
dir="${1:-/tmp/tess-hostile}"
tess="${TESS:-build/release/app/tessarine}"
limit="${LIMIT:-60}"
mkdir -p "$dir"
python3 - "$dir" <<'EOF'
import os, sys
d = sys.argv[1]
def make(name, write):
    path = os.path.join(d, name)
    if not os.path.exists(path):
        with open(path, 'wb') as f:
            write(f)
make('deep1e5.json', lambda f: f.write(b'[' * 10**5 + b'1' + b']' * 10**5))
make('deep1e7.json', lambda f: f.write(b'[' * 10**7 + b'1' + b']' * 10**7))
def string(f):
    f.write(b'["')
    for _ in range(500):
        f.write(b'abcdefghij' * 100000)
    f.write(b'"]')
make('string500m.json', string)
def array(f):
    f.write(b'[')
    f.write(b'1,' * (10**7 - 1))
    f.write(b'1]')
make('array1e7.json', array)
def names(f):
    f.write(b'{')
    f.write(b'"name":1,' * (10**6 - 1))
    f.write(b'"name":1}')
make('names1e6.json', names)
EOF

run() { # road file mode...
  local road=$1 file=$2; shift 2
  local env=TESSARINE_BIG_THRESHOLD=0
  [ "$road" = engine ] && env=TESSARINE_BIG_THRESHOLD=100000000000
  local t0 t1 pid peak=0 v status
  t0=$(date +%s%N)
  env "$env" timeout "$limit" /usr/bin/time -o /tmp/tess_hostile_rss -f '%M' "$tess" "$@" "$file" \
    > >(wc -c > /tmp/tess_hostile_out) 2>/tmp/tess_hostile_err &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    for p in $(pgrep -P "$pid" 2>/dev/null) $(pgrep -f "^$tess" 2>/dev/null); do
      v=$(awk '/^RssAnon:/ { print $2 }' "/proc/$p/status" 2>/dev/null || true)
      [ -n "$v" ] && [ "$v" -gt "$peak" ] && peak=$v
    done
    sleep 0.02
  done
  wait "$pid" && status=0 || status=$?
  t1=$(date +%s%N)
  sleep 0.1
  local size
  size=$(stat -c %s "$file")
  printf '%-16s %-6s %-22s %6s %9d %8.1f %8.1f %6.3f %12s  %s\n' "$(basename "$file")" "$road" "$*" \
    "$([ "$status" = 124 ] && echo CUT || echo "$status")" $(( (t1 - t0) / 1000000 )) \
    "$(echo "$(tail -1 /tmp/tess_hostile_rss 2>/dev/null || echo 0) / 1024" | bc -l)" "$(echo "$peak / 1024" | bc -l)" \
    "$(echo "$peak * 1024 / $size" | bc -l)" "$(cat /tmp/tess_hostile_out)" "$(head -c 90 /tmp/tess_hostile_err | tr '\n' ' ')"
}

echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores; $tess"
printf '%-16s %-6s %-22s %6s %9s %8s %8s %6s %12s  %s\n' file road mode status wall_ms peak_MB anon_MB anon/f out_bytes stderr
for f in deep1e5.json deep1e7.json string500m.json array1e7.json names1e6.json; do
  for road in big engine; do
    for mode in --stats --tree --paths "--paths --leaves" "--find 1" "--find name" "--get [1]" "--get .name"; do
      # shellcheck disable=SC2086
      run "$road" "$dir/$f" $mode
    done
  done
done
rm -f /tmp/tess_hostile_rss /tmp/tess_hostile_out /tmp/tess_hostile_err
