#!/usr/bin/env bash
# Configures and builds one flavour into build/<flavour>:
#   release  optimised program and benchmarks
#   asan     tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz     the libFuzzer targets of fuzz/ (clang++-14, libFuzzer, ASan, UBSan)
#   scripts/build.sh [flavour [target...]]
# Without targets it builds the whole flavour (for fuzz: every target).
# The folder is configured afresh whenever the flavour's CMake arguments
# differ from those it was configured with (kept in build/<flavour>/velmo-cmake-args).
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
[ $# -gt 0 ] && shift
targets=("$@")
case "$flavour" in
  release) args=(-DCMAKE_BUILD_TYPE=Release -DVELMO_SANITIZE=OFF -DVELMO_TESTS=OFF -DVELMO_BENCH=ON) ;;
  asan)    args=(-DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_TESTS=ON -DVELMO_BENCH=OFF) ;;
  fuzz)    args=(-DCMAKE_BUILD_TYPE= -DCMAKE_CXX_COMPILER=clang++-14 -DVELMO_FUZZ=ON -DVELMO_SANITIZE=OFF
                 -DVELMO_TESTS=OFF -DVELMO_BENCH=OFF -DVELMO_GUI=OFF)
           [ ${#targets[@]} -eq 0 ] && targets=(velmo_fuzz) ;;
  *) echo "build.sh: unknown flavour '$flavour' (release, asan or fuzz)" >&2; exit 2 ;;
esac
dir=build/$flavour
stamp=$dir/velmo-cmake-args
if [ ! -f "$dir/build.ninja" ] || [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "${args[*]}" ]; then
  # --fresh: a flag the arguments no longer set must not linger in the cache.
  fresh=()
  [ -f "$dir/CMakeCache.txt" ] && fresh=(--fresh)
  rm -f "$stamp"
  cmake "${fresh[@]}" -S . -B "$dir" -G Ninja "${args[@]}"
  printf '%s\n' "${args[*]}" >"$stamp"
fi
cmake --build "$dir" -j "$(nproc)" ${targets[@]+--target "${targets[@]}"}
