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

# Benchmarks run once, briefly, to show they still work, shared out over
# one process per core; times are printed, never judged (for figures, run
# build/release/velmo_bench alone).
bench=build/release/velmo_bench
mapfile -t names < <("$bench" --benchmark_list_tests)
[ ${#names[@]} -gt 0 ] || { echo "test.sh: $bench lists no benchmark" >&2; exit 1; }
parts=$(nproc)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pids=()
for ((p = 0; p < parts && p < ${#names[@]}; p++)); do
  part=()
  for ((i = p; i < ${#names[@]}; i += parts)); do
    part+=("$(sed 's/[][\\.*^$+?(){}|]/\\&/g' <<<"${names[$i]}")")
  done
  "$bench" --benchmark_filter="^($(IFS='|'; echo "${part[*]}"))\$" \
    --benchmark_min_time=0.01 --benchmark_repetitions=1 >"$out/$p" 2>&1 &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
cat "$out"/*
[ $failed -eq 0 ] || { echo "test.sh: a benchmark failed" >&2; exit 1; }

# Each fuzz target reads its seeds once (no fuzzing): they still link, start
# and pass their own checks.
scripts/fuzz.sh --seeds
