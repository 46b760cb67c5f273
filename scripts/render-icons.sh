#!/usr/bin/env bash
# Renders the program icon's PNG sizes from desktop/icons/tessarine.svg into
# desktop/icons/hicolor/. The PNGs are committed, so a build never needs this; run it
# after changing the SVG (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"
id=$(sed -n 's/^set(TESS_APP_ID "\(.*\)")$/\1/p' ../../CMakeLists.txt)
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" tessarine.svg -o "hicolor/${size}x${size}/apps/$id.png"
done
