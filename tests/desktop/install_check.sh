#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and checks the installed program: the
# file set, the desktop entry and the metadata under their validators, the command line,
# and a viewer start that finds its module in the library folder and keeps its files in
# $XDG_DATA_HOME/tessarine, not beside the executable.
# Usage: install_check.sh BUILD_DIR LIBDIR APP_ID
set -euo pipefail
build=$1 libdir=$2 id=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail=0
check() { if ! eval "$1"; then echo "install: failed: $2" >&2; fail=1; fi; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
bin=$prefix/bin/tessarine
check '[ -x "$bin" ]' "bin/tessarine installed"
check '[ -f "$prefix/$libdir/tessarine/tessarine-viewer.so" ]' "viewer module in $libdir/tessarine"
check '[ "$(ls "$prefix/bin")" = tessarine ]' "bin/ holds the program only"

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
# Hints pass: two main categories (Development, Utility) are wanted, and draw one.
check 'out=$(desktop-file-validate "$desktop" 2>&1) && ! grep -E "(error|warning):" <<<"$out" || { echo "$out" >&2; false; }' \
      "desktop entry valid without errors or warnings"
check 'grep -qx "Exec=tessarine %f" "$desktop" && grep -qx "Icon=$id" "$desktop"' "desktop entry runs the program with the file and names the icon"
check 'appstreamcli validate --no-net --pedantic "$metainfo" >"$work/as.log" 2>&1 || { cat "$work/as.log" >&2; false; }' \
      "metadata valid"
check 'grep -q "<release version=\"1.1.5.0\"" "$metainfo"' "metadata names the release"

icons=$prefix/share/icons/hicolor
check '[ -f "$icons/scalable/apps/$id.svg" ]' "scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/$id.png
  check '[ "$(identify -format "%wx%h" "$png" 2>/dev/null)" = "${size}x${size}" ]' "icon of $size px"
done

man=$prefix/share/man/man1/tessarine.1.gz
check 'gzip -t "$man"' "manual page installed compressed"
if command -v groff >/dev/null; then
  check 'warnings=$(zcat "$man" | groff -man -Tutf8 -ww -z 2>&1) && [ -z "$warnings" ] || { echo "$warnings" >&2; false; }' \
        "manual page formats without warnings"
fi

# The command line of the installed program.
check '[ "$("$bin" --version)" = "Tessarine 1.1.5.0" ]' "--version"
printf '{"a":[1,{"b":"x"}],"名":"值"}' >"$work/in.json"
check '"$bin" --get a.[2].b "$work/in.json" | grep -qx x' "--get on a file"
check '[ "$("$bin" --tree "$work/in.json" | wc -l)" -eq 6 ]' "--tree prints one line per node"

# The viewer: offscreen, without --data-dir, HOME and XDG_DATA_HOME in the work folder.
mkdir "$work/home"
HOME=$work/home XDG_DATA_HOME=$work/xdg QT_QPA_PLATFORM=offscreen "$bin" "$work/in.json" \
  >"$work/viewer.out" 2>"$work/viewer.err" &
pid=$!
data=$work/xdg/tessarine
for _ in $(seq 1 150); do
  [ -f "$data/Tessarine.ini" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
sleep 2.5 # the settings file is opened just before the window is built and the file loaded
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
check '[ "$status" = 0 ]' "viewer ended normally on SIGTERM (status $status)"
check '[ -s "$data/Tessarine.ini" ]' "settings written to \$XDG_DATA_HOME/tessarine"
check 'cmp -s "$work/in.json" <(iconv -f GB18030 -t UTF-8 "$data/JSON数据.txt")' "slot 1 written to the data folder"
check '[ "$(ls "$prefix/bin")" = tessarine ]' "nothing written beside the installed executable"
check '[ ! -e "$work/home/.local" ]' "HOME not used while XDG_DATA_HOME is set"
if [ "$fail" != 0 ] && [ -s "$work/viewer.err" ]; then head -20 "$work/viewer.err" >&2; fi
exit $fail
