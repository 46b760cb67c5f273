#!/usr/bin/env bash
# Builds the Debian package: a release build for the prefix /usr in build/package, then
# CPack. The .deb is left in build/package/ and its name is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/package
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESS_BUILD_TESTS=OFF \
        -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/tessarine_*.deb
