#!/usr/bin/env bash
# Runs one libFuzzer target of build/fuzz with a memory limit, its regression inputs
# (fuzz/regressions/<target>/) first.
#   scripts/fuzz.sh TARGET [SECONDS=120] [RSS_LIMIT_MB=1024] [extra libFuzzer flags...]
# The corpus grows in build/fuzz/corpus/<target>; a crash is written to the current folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] [RSS_LIMIT_MB]}
seconds=${2:-120}
rss=${3:-1024}
shift $(( $# < 3 ? $# : 3 ))
bin=build/fuzz/fuzz/$target
[ -x "$bin" ] || { echo "fuzz.sh: $bin is missing; run scripts/build.sh fuzz" >&2; exit 2; }
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus"
inputs=("$corpus")
if [ -d "fuzz/regressions/$target" ]; then
  # Every regression input must pass on its own before the search starts.
  "$bin" -rss_limit_mb="$rss" -timeout=25 fuzz/regressions/"$target"/*
  inputs+=("fuzz/regressions/$target")
fi
exec "$bin" -rss_limit_mb="$rss" -timeout=25 -max_total_time="$seconds" "$@" "${inputs[@]}"
