#!/usr/bin/env bash
# Smoke run of the real viewer under a virtual X server: start it in a fresh folder with
# a file to load, take a screenshot, end it with SIGTERM, then check what it wrote.
# Usage: smoke.sh TESSARINE_BINARY [OUTPUT_DIR]   (the screenshot is kept in OUTPUT_DIR)
set -euo pipefail

# Second stage, run by xvfb-run: start the viewer, wait for its window, screenshot, SIGTERM.
if [ "${1:-}" = "--inside-x" ]; then
  bin=$2 work=$3
  unset QT_QPA_PLATFORM
  "$bin" --data-dir "$work/data" "$work/in.json" >"$work/stdout.txt" 2>"$work/stderr.txt" &
  pid=$!
  shown=no
  for _ in $(seq 1 150); do
    sleep 0.2
    if xwininfo -root -tree 2>/dev/null | grep -q 'Tessarine(Drovantile)'; then shown=yes; break; fi
    kill -0 "$pid" 2>/dev/null || break
  done
  if [ "$shown" != yes ]; then
    echo "smoke: the window did not appear" >&2
    kill -KILL "$pid" 2>/dev/null || true
    cat "$work/stderr.txt" >&2
    exit 1
  fi
  # Give the first activation and the file load time to finish and paint.
  sleep 3
  import -window root "$work/shot.png"
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  echo "$status" > "$work/status.txt"
  exit 0
fi

bin=$(readlink -f "$1")
out=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '{"smoke":[1,2,3],"名":"值","nested":{"k":true}}' > "$work/in.json"
mkdir "$work/data"

xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside-x "$bin" "$work"

fail=0
check() { if ! eval "$1"; then echo "smoke: failed: $2" >&2; fail=1; fi; }

status=$(cat "$work/status.txt")
check '[ "$status" = 0 ]' "exit status after SIGTERM is $status"
check '[ -s "$work/data/Tessarine.ini" ]' "settings file written"
ini=$(iconv -f GB18030 -t UTF-8 "$work/data/Tessarine.ini")
check 'grep -q "^\[JSON树\]" <<<"$ini"' "section header in the settings file"
check 'grep -q "^选择夹=0" <<<"$ini"' "current tab stored"
check 'grep -q "^树型框.现行选中项=" <<<"$ini"' "selection of tree 1 stored"
expected=$(iconv -f UTF-8 -t GB18030 "$work/in.json" | od -An -tx1)
actual=$(od -An -tx1 "$work/data/JSON数据.txt")
check '[ "$expected" = "$actual" ]' "slot 1 data file holds the loaded text in GB18030"
check '[ ! -e "$work/data/JSON数据2.txt" ]' "slots never shown keep no data file"
colours=$(identify -format '%k' "$work/shot.png")
check '[ "$colours" -gt 16 ]' "screenshot shows a drawn window ($colours colours)"
if [ -n "$out" ]; then cp "$work/shot.png" "$out/smoke-screenshot.png"; fi
if [ -s "$work/stderr.txt" ]; then echo "smoke: stderr of the viewer:" >&2; head -20 "$work/stderr.txt" >&2; fi
exit $fail
