#!/usr/bin/env bash
# Renews the README's screenshots (docs/screenshots/) with the smoke test's xvfb run of the
# release build on docs/sample.json.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh release >&2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
tests/app/smoke.sh build/release/app/tessarine "$out"
mkdir -p docs/screenshots
for shot in tree find icons; do
  cp "$out/shot-$shot.png" "docs/screenshots/$shot.png"
done
ls docs/screenshots
