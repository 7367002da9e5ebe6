#!/usr/bin/env bash
# Builds the libFuzzer targets of the native drawing reader, the VLZ
# decompressor, the configuration file reader, the history file reader, the
# reader of scripted sessions, the JWW, JWC and DXF readers (scripts/build.sh fuzz: Debian's clang into
# build/fuzz) and runs them one after the other.
#   scripts/fuzz.sh [seconds]   fuzzes each target, default 600
#   scripts/fuzz.sh --seeds     runs each target once over its committed
#                               seeds, without fuzzing (scripts/test.sh)
# New inputs go to build/fuzz/corpus, corpus-lh5, corpus-ini, corpus-hst, corpus-script, corpus-jww, corpus-jwc, corpus-dxf, corpus-import and corpus-jwcext
# (the committed seeds in fuzz/corpus stay as they are); crashes, leaks and
# hangs to build/fuzz/artifacts/.
# Copy a crash into tests/files/data/crashes/ (native reader) or
# tests/kernel/data/ini-crashes/ (configuration reader) once fixed: the
# tests replay every file there.
# Clang keeps string literals in UTF-8 (it has no CP932 execution charset);
# the strings the file readers compare are spelt in bytes, so they behave the
# same. The script reader compares operation and menu names with literals, so
# under clang no name matches: it is fuzzed for its safety, not its verdicts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

scripts/install-deps.sh
scripts/build.sh fuzz

out=build/fuzz
# target, its seeds in fuzz/corpus, and its name in build/fuzz
fuzz_targets=(vld_reader_fuzz:vld:corpus lh5_decoder_fuzz:lh5:corpus-lh5 ini_fuzz:ini:corpus-ini hst_fuzz:hst:corpus-hst
              script_fuzz:script:corpus-script jww_reader_fuzz:jww:corpus-jww jwc_reader_fuzz:jwc:corpus-jwc
              dxf_reader_fuzz:dxf:corpus-dxf import_fuzz:import:corpus-import
              jwcext_fuzz:jwcext:corpus-jwcext)

if [ "$seconds" = --seeds ]; then
  # An empty first folder: libFuzzer adds to the first one it is given.
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$out/artifacts"
  for t in "${fuzz_targets[@]}"; do
    IFS=: read -r target seeds _ <<<"$t"
    mkdir -p "$scratch/$target"
    echo "fuzz.sh: $target over fuzz/corpus/$seeds"
    "$out/$target" "$scratch/$target" "fuzz/corpus/$seeds" -runs=0 \
      -timeout=10 -rss_limit_mb=2048 -max_len=65536 -artifact_prefix="$out/artifacts/seeds-$seeds-"
  done
  exit 0
fi

mkdir -p "$out/artifacts"
for t in "${fuzz_targets[@]}"; do
  IFS=: read -r target seeds corpus <<<"$t"
  mkdir -p "$out/$corpus"
  prefix=$out/artifacts/$seeds-
  [ "$seeds" = vld ] && prefix=$out/artifacts/
  "$out/$target" "$out/$corpus" "fuzz/corpus/$seeds" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$prefix" -print_final_stats=1
done
