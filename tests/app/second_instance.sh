#!/usr/bin/env bash
# A second viewer on the same data folder shows that the settings file is in use and
# saves nothing; SIGTERM ends it (and the first one) at once, whatever it shows.
# Usage: second_instance.sh TESSARINE_BINARY     (offscreen platform, no display needed)
set -euo pipefail
bin=$(readlink -f "$1")
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen

# Waits until process $1 catches SIGTERM (its handler is installed), then lets it settle.
wait_ready() {
  for _ in $(seq 1 200); do
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0)
    if (( (16#$mask >> 14) & 1 )); then sleep 1; return 0; fi
    sleep 0.1
  done
  echo "second_instance: process $1 never became ready" >&2
  exit 1
}

# Waits up to $2 seconds for process $1 to end; sets status to its exit status, or "alive".
wait_end() {
  status=alive
  for _ in $(seq 1 $(( $2 * 10 ))); do
    if ! kill -0 "$1" 2>/dev/null || grep -q '^State:.*zombie' "/proc/$1/status" 2>/dev/null; then
      status=0; wait "$1" || status=$?; return 0
    fi
    sleep 0.1
  done
}

mkdir "$work/data"
"$bin" --data-dir "$work/data" 2>"$work/first.err" & first=$!; pids+=("$first")
wait_ready "$first"
printf 'kept' > "$work/data/JSON数据2.txt"
cp "$work/data/Tessarine.ini" "$work/ini.before"

"$bin" --data-dir "$work/data" 2>"$work/second.err" & second=$!; pids+=("$second")
wait_ready "$second"
kill -TERM "$second"
wait_end "$second" 10
fail=0
if [ "$status" != 0 ]; then
  echo "second_instance: the second viewer after SIGTERM: $status (expected exit status 0)" >&2
  fail=1
fi
if ! cmp -s "$work/ini.before" "$work/data/Tessarine.ini"; then
  echo "second_instance: the second viewer wrote the settings file" >&2
  fail=1
fi

kill -TERM "$first"
wait_end "$first" 10
if [ "$status" != 0 ]; then
  echo "second_instance: the first viewer after SIGTERM: $status" >&2
  fail=1
fi
if ! grep -q '选择夹' <(iconv -f GB18030 -t UTF-8 "$work/data/Tessarine.ini"); then
  echo "second_instance: the first viewer did not save its settings" >&2
  fail=1
fi
[ "$(cat "$work/data/JSON数据2.txt")" = kept ] || { echo "second_instance: slot 2 file changed" >&2; fail=1; }
exit $fail
