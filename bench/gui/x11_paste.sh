#!/usr/bin/env bash
# Peak memory of a paste on a real X server (Xvfb), the clipboard owned by another process
# as on a desktop. Usage: bench/gui/x11_paste.sh [BUILD_DIR] [clean]
set -euo pipefail
cd "$(dirname "$0")/../.."
bin="${1:-build/bench}/bench/gui/tess_x11_paste"
shape="${2:-escaped}"
exec xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  set -euo pipefail
  export QT_QPA_PLATFORM=xcb
  log=$(mktemp)
  "$0" own "$1" >"$log" &
  owner=$!
  until grep -q ready "$log"; do
    kill -0 "$owner" || { echo "clipboard owner failed" >&2; exit 1; }
    sleep 0.2
  done
  echo "clipboard owner: pid $owner, $(cat "$log")"
  "$0" paste
  kill "$owner"
  wait "$owner" 2>/dev/null || true
  rm -f "$log"
' "$bin" "$shape"
