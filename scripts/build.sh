#!/usr/bin/env bash
# Configures and builds one flavour into build/<flavour>:
#   release  optimised program and benchmarks
#   asan     tests under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
case "$flavour" in
  release) args=(-DCMAKE_BUILD_TYPE=Release -DVELMO_SANITIZE=OFF -DVELMO_TESTS=OFF -DVELMO_BENCH=ON) ;;
  asan)    args=(-DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_TESTS=ON -DVELMO_BENCH=OFF) ;;
  *) echo "build.sh: unknown flavour '$flavour' (release or asan)" >&2; exit 2 ;;
esac
dir=build/$flavour
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${args[@]}"
fi
cmake --build "$dir" -j "$(nproc)"
