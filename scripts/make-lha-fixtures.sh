#!/usr/bin/env bash
# Makes the -lh5- archives in tests/files/data/lha/ that the LHA
# interoperability test decodes with our decoder. They come from another
# encoder than ours: jlha (Debian's jlha-utils, a Java program). Debian has
# no LHA compressor without Java, so the archives are made once with this
# script and committed; the tests and CI need no Java. Run it by hand only
# when the set of archives changes. The contents are deterministic.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v jlha >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends jlha-utils
fi

out=$PWD/tests/files/data/lha
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Contents that exercise literals, short and long matches, near and far
# distances and many blocks.
python3 - "$work" <<'PY'
import random, sys
d = sys.argv[1]
rng = random.Random(7)
def put(name, data):
    with open(f"{d}/{name}", "wb") as f:
        f.write(data)
# Text with repeated phrases, in CP932 as drawings hold it.
words = ["直線", "矩形", "円弧", "寸法", "文字", "レイヤ", "グループ", "縮尺", "線色", "線種"]
text = "".join(f"{rng.choice(words)}{rng.choice(words)} {rng.randrange(1000)}\r\n" for _ in range(300))
put("text.txt", text.encode("cp932"))
# Drawing records: many blocks of mid-length matches among changing numbers.
lines = []
for _ in range(3000):
    lines.append(f"LINE,0,{rng.randrange(16)},17,{rng.randrange(100000)}.0000,"
                 f"{rng.randrange(1000)}.5000,{rng.randrange(3000)}.2500,0.0000,0\r\n")
put("drawing.vld", "".join(lines).encode("ascii"))
# One byte repeated: the longest matches at the shortest distance.
put("equal.bin", b"x" * 100000)
# Few symbols in long runs.
put("skewed.bin", bytes(rng.choice(b"aaaaaaabbbc\r\n") for _ in range(60000)))
# All 256 byte values as literals, with copies of 3 to 40 bytes from up to
# the whole window back.
mixed = bytearray()
while len(mixed) < 40000:
    if len(mixed) > 100 and rng.random() < 0.3:
        n = rng.randrange(3, 41)
        start = len(mixed) - rng.randrange(n, min(len(mixed), 8000) + 1)
        mixed += mixed[start:start + n]
    else:
        mixed += bytes(rng.randrange(256) for _ in range(rng.randrange(1, 20)))
put("mixed.bin", bytes(mixed))
PY

# A fixed time stamp, so that making them again gives the same bytes.
touch -d '2020-01-01 00:00:00' "$work"/*
mkdir -p "$out"
rm -f "$out"/*.lzh
# name of the archive, header level, member
for fixture in level0-text:0:text.txt level0-mixed:0:mixed.bin level1-drawing:1:drawing.vld \
            level2-equal:2:equal.bin level2-skewed:2:skewed.bin; do
  IFS=: read -r name level member <<<"$fixture"
  (cd "$work" && jlha "c${level}o5q1" "$name.lzh" "$member")
  cp "$work/$name.lzh" "$out/$name.lzh"
done
ls -l "$out"
