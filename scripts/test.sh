#!/usr/bin/env bash
# Installs what is missing, checks the include graph, builds, and runs every
# test, (briefly) every benchmark and the fuzz targets over their committed
# seeds. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-layers.sh
scripts/build.sh asan
scripts/build.sh release velmo_bench
scripts/build.sh fuzz

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build/asan && ctest --output-on-failure -j "$(nproc)")

# Benchmarks run once, briefly, to show they still work; times are printed, never judged.
build/release/velmo_bench --benchmark_min_time=0.01 --benchmark_repetitions=1

# Each fuzz target reads its seeds once (no fuzzing): they still link, start
# and pass their own checks.
scripts/fuzz.sh --seeds
