#!/usr/bin/env bash
# Configures (once) and builds one of the build trees:
#   release  optimised viewer and command line       -> build/release
#   test     tests under ASan + UBSan                -> build/test
#   bench    optimised benchmarks                    -> build/bench
#   fuzz     libFuzzer targets with clang 14         -> build/fuzz
# A second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-release}"
dir="build/$kind"
args=(-G Ninja)
case "$kind" in
  release) args+=(-DCMAKE_BUILD_TYPE=Release -DTESS_BUILD_TESTS=OFF) ;;
  test)    args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g") ;;
  bench)   args+=(-DCMAKE_BUILD_TYPE=Release -DTESS_BUILD_TESTS=OFF -DTESS_BUILD_BENCH=ON) ;;
  fuzz)    args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESS_BUILD_TESTS=OFF -DTESS_BUILD_FUZZ=ON -DTESS_BUILD_GUI=OFF
                  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14) ;;
  *) echo "usage: $0 release|test|bench|fuzz" >&2; exit 2 ;;
esac
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" "${args[@]}" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
