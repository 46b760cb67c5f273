#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the viewer.
# Arguments are passed to the program (e.g. ./run.sh --help, ./run.sh file.json).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh release >&2
exec ./build/release/app/tessarine "$@"
