#!/usr/bin/env bash
# Smoke run of the real viewer under a virtual X server: start it in a fresh folder with
# a file to load, take a screenshot, end it with SIGTERM, then check what it wrote.
# Then the screenshots of the README, from docs/sample.json: a selected node with its
# decoded value, a find hit (a click on "下一个"), and the text icon set.
# Usage: smoke.sh TESSARINE_BINARY [OUTPUT_DIR]   (the screenshots are kept in OUTPUT_DIR)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Waits for the viewer's window and prints its id; fails when the viewer ends first.
waitForWindow() {
  local pid=$1 wid
  for _ in $(seq 1 150); do
    sleep 0.2
    wid=$(xdotool search --name 'Tessarine\(Drovantile\)' 2>/dev/null | head -1 || true)
    if [ -n "$wid" ]; then echo "$wid"; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
  done
  return 1
}

# The README's screenshots, inside X. The data folder holds the sample as slot 1 and a
# settings file that selects a node and fills the find box.
takeDocsShots() {
  local bin=$1 work=$2
  shoot() { # data folder, first shot, [second shot after a click on 下一个]
    "$bin" --data-dir "$1" >/dev/null 2>>"$work/docs-stderr.txt" &
    local pid=$! wid h
    wid=$(waitForWindow "$pid") || { echo "smoke: the window did not appear" >&2; kill -KILL "$pid"; return 1; }
    sleep 3
    import -window "$wid" "$work/$2"
    if [ -n "${3:-}" ]; then
      # The find bar sits above the 22-pixel status line; "下一个" is its button at x 440..510, y 5..31.
      h=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p')
      xdotool mousemove --window "$wid" 475 $((h - 22 - 36 + 18)) click 1
      sleep 1
      import -window "$wid" "$work/$3"
    fi
    kill -TERM "$pid"
    wait "$pid" || true # the exit status is checked by the first run
  }
  shoot "$work/docs" shot-tree.png shot-find.png
  shoot "$work/docs-icons" shot-icons.png
}

# Run inside X: start the viewer, wait for its window, screenshot, SIGTERM.
if [ "${1:-}" = "--inside-x" ]; then
  bin=$2 work=$3
  unset QT_QPA_PLATFORM
  "$bin" --data-dir "$work/data" "$work/in.json" >"$work/stdout.txt" 2>"$work/stderr.txt" &
  pid=$!
  if ! waitForWindow "$pid" >/dev/null; then
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
  takeDocsShots "$bin" "$work" || true # checked afterwards
  exit 0
fi

bin=$(readlink -f "$1")
out=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '{"smoke":[1,2,3],"名":"值","nested":{"k":true}}' > "$work/in.json"
mkdir "$work/data"

# The README's screenshots. Item 9 is data.items.[1].city, whose value has \u escapes and
# an entity; the next caption with "express" below it is item 11.
# The settings file has CR LF line breaks and no break after its last line.
gbk() { iconv -f UTF-8 -t GB18030; }
for d in docs docs-icons; do
  mkdir "$work/$d"
  gbk <"$here/../../docs/sample.json" >"$work/$d/JSON数据.txt"
done
settings() { printf '[JSON树]\r\n选择夹=0\r\n树型框.现行选中项=9\r\n编辑框查找文本=express\r\n选择框文字图标=%s' "$1" | gbk; }
settings 假 >"$work/docs/Tessarine.ini"
settings 真 >"$work/docs-icons/Tessarine.ini"
# One X server for all runs. It picks a free display itself (-displayfd), which also
# sees servers of other test runs whose lock files are not in this /tmp; -noreset keeps it
# from resetting between clients, when a new client could not connect.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "smoke: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=:$(head -1 "$work/display") "$0" --inside-x "$bin" "$work"

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

selected=$(iconv -f GB18030 -t UTF-8 "$work/docs/Tessarine.ini" | tr -d '\r' | sed -n 's/^树型框.现行选中项=//p')
check '[ "$selected" = 11 ]' "the click on 下一个 found the next hit, item 11 (selected: $selected)"
for shot in shot-tree shot-find shot-icons; do
  check '[ -s "$work/$shot.png" ]' "$shot taken"
done
check '[ "$(compare -metric AE "$work/shot-tree.png" "$work/shot-icons.png" null: 2>&1 || true)" != 0 ]' \
      "the text icon set changes the tree"
if [ -n "$out" ]; then
  for shot in shot-tree shot-find shot-icons; do
    [ -f "$work/$shot.png" ] && cp "$work/$shot.png" "$out/$shot.png"
  done
fi
if [ -s "$work/docs-stderr.txt" ]; then echo "smoke: stderr of the viewer:" >&2; head -20 "$work/docs-stderr.txt" >&2; fi
exit $fail
