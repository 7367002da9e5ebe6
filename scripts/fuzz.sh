#!/usr/bin/env bash
# Builds the libFuzzer targets of the native drawing reader, the VLZ
# decompressor, the configuration file reader and the history file reader
# with Debian's clang and runs them one after the other. Not part of the
# tests: run it by hand.
#   scripts/fuzz.sh [seconds]        each target, default 600
# New inputs go to build/fuzz/corpus, corpus-lh5, corpus-ini and corpus-hst
# (the committed seeds in fuzz/corpus stay as they are); crashes, leaks and
# hangs to build/fuzz/artifacts/.
# Copy a crash into tests/files/data/crashes/ (native reader) or
# tests/kernel/data/ini-crashes/ (configuration reader) once fixed: the
# tests replay every file there.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

CLANG=clang++-14
missing=()
command -v "$CLANG" >/dev/null 2>&1 || missing+=(clang-14)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" || missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

out=build/fuzz
mkdir -p "$out/corpus" "$out/corpus-lh5" "$out/corpus-ini" "$out/corpus-hst" "$out/artifacts"
# The reader and what it stands on: kernel, cell store and settings. Clang
# keeps literals in UTF-8 (it has no CP932 execution charset); the strings
# the reader compares are spelt in bytes, so it behaves the same.
"$CLANG" -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Isrc -o "$out/vld_reader_fuzz" \
  fuzz/vld_reader_fuzz.cpp src/files/fLoad_VLD.cpp \
  src/model/GC_DB.cpp src/model/PVC.cpp src/kernel/*.cpp

"$CLANG" -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Isrc -o "$out/lh5_decoder_fuzz" \
  fuzz/lh5_decoder_fuzz.cpp src/files/Z_Compress.cpp

"$CLANG" -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Isrc -o "$out/ini_fuzz" \
  fuzz/ini_fuzz.cpp src/kernel/IniFile.cpp

"$CLANG" -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Isrc -o "$out/hst_fuzz" \
  fuzz/hst_fuzz.cpp src/files/HstText.cpp src/kernel/SjisConv.cpp

"$out/vld_reader_fuzz" "$out/corpus" fuzz/corpus/vld \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1
"$out/lh5_decoder_fuzz" "$out/corpus-lh5" fuzz/corpus/lh5 \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/artifacts/lh5-" -print_final_stats=1
"$out/ini_fuzz" "$out/corpus-ini" fuzz/corpus/ini \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/artifacts/ini-" -print_final_stats=1
exec "$out/hst_fuzz" "$out/corpus-hst" fuzz/corpus/hst \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/artifacts/hst-" -print_final_stats=1
