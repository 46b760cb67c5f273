#!/usr/bin/env bash
# Times `tessarine --paths` in every path style (and with --leaves) on two documents:
#   compat-20mb.json  about 20 MB and 1.1 M nodes: nested objects of browser-support
#                     records (short names, small values, 6 to 8 levels), as real data
#                     packages have them
#   compat-pretty.json   the same document indented (one blank a level, LF), 35 MB
#   wide.json         {"a":[100,000 numbers],"b":{10,000 members}}: many siblings
# and reports the median wall time of RUNS runs (5 by default) with the peak memory.
#   bench/paths_cli.sh [DIR]   (builds build/release first; TESS=path times another binary)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build/bench/paths}"
runs="${RUNS:-5}"
if [ -z "${TESS:-}" ]; then
  ./scripts/build.sh release >/dev/null
fi
tess="${TESS:-build/release/app/tessarine}"
mkdir -p "$dir"

[ -f "$dir/compat-20mb.json" ] || python3 - "$dir/compat-20mb.json" <<'EOF'
import json, random, sys
random.seed(7)
browsers = ["chrome", "chrome_android", "edge", "firefox", "firefox_android", "ie", "opera",
            "safari", "safari_ios", "samsunginternet_android", "webview_android", "deno", "nodejs"]
def support():
    s = {}
    for b in browsers:
        if random.random() < 0.15:
            s[b] = [{"version_added": str(random.randint(1, 120))},
                    {"version_added": str(random.randint(1, 40)), "prefix": "-webkit-"}]
        else:
            s[b] = {"version_added": random.choice([str(random.randint(1, 120)), False, None, True])}
            if random.random() < 0.1:
                s[b]["notes"] = "Supported since version %d, see bug %d." % (random.randint(1, 99), random.randint(1000, 999999))
    return s
def feature(name, depth):
    f = {"__compat": {"mdn_url": "https://developer.example.org/docs/Web/API/" + name,
                      "standard_url": ["https://standards.example.org/#" + name.lower()],
                      "support": support(),
                      "status": {"experimental": random.random() < 0.1, "standard_track": True,
                                 "deprecated": random.random() < 0.05}}}
    if depth < 2:
        for k in range(random.randint(0, 6)):
            f["member%d" % k] = feature(name + "_m%d" % k, depth + 1)
    return f
doc = {"api": {}, "css": {}}
i = 0
while True:
    doc["api" if i % 2 else "css"]["Feature%d" % i] = feature("Feature%d" % i, 0)
    i += 1
    if i % 50 == 0 and len(json.dumps(doc, separators=(",", ":"))) > 20 * 1024 * 1024:
        break
with open(sys.argv[1], "w") as out:
    json.dump(doc, out, separators=(",", ":"))
EOF
[ -f "$dir/compat-pretty.json" ] || python3 -c '
import json, sys
json.dump(json.load(open(sys.argv[1])), open(sys.argv[2], "w"), indent=1)' "$dir/compat-20mb.json" "$dir/compat-pretty.json"
[ -f "$dir/wide.json" ] || python3 -c '
import json, sys
doc = {"a": list(range(100000)), "b": {"k%d" % i: i for i in range(10000)}}
json.dump(doc, open(sys.argv[1], "w"), separators=(",", ":"))' "$dir/wide.json"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-14s %-34s %8s %8s %10s\n' document arguments ms peak_MB lines
for doc in compat-20mb compat-pretty wide; do
  for args in "--path-style tree" "--path-style tree --compact-paths" "--path-style jq" \
              "--path-style jsonpath" "--path-style js" "--path-style python" "--leaves" \
              "--leaves --path-style jq"; do
    : >/tmp/tess_paths_bench
    for _ in $(seq "$runs"); do
      t0=$(date +%s%N)
      rss=$( { /usr/bin/time -f '%M' "$tess" --paths $args "$dir/$doc.json" >/dev/null; } 2>&1 | tail -1)
      t1=$(date +%s%N)
      echo "$(( (t1 - t0) / 1000000 )) $rss" >>/tmp/tess_paths_bench
    done
    lines=$("$tess" --paths $args "$dir/$doc.json" | wc -l)
    ms=$(cut -d' ' -f1 /tmp/tess_paths_bench | median)
    mb=$(cut -d' ' -f2 /tmp/tess_paths_bench | sort -n | tail -1)
    printf '%-14s %-34s %8d %8.1f %10d\n' "$doc" "$args" "$ms" "$(echo "$mb / 1024" | bc -l)" "$lines"
  done
done
rm -f /tmp/tess_paths_bench
