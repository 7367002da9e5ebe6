#!/usr/bin/env bash
# Times `velmo --render` of a million lines (as the drawing Velmo saved and
# as the DXF) against LibreCAD's `librecad dxf2pdf` of the same DXF, whole processes, alternating, three
# runs each. LibreCAD is only a yardstick: the project does not need it, so
# this script installs it (from Debian) when it is missing, as the one
# command that uses it. The figures are in bench/README.md.
#   bench/against-librecad.sh [count]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000000}
scripts/install-deps.sh
if ! command -v librecad >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends librecad
fi
scripts/build.sh release velmo
velmo=$PWD/build/release/velmo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELMO_HOME=$work/home QT_QPA_PLATFORM=offscreen

# The same random lines as a drawing and as DXF: pens 1..8, layers 0..F.
python3 - "$work" "$count" <<'PY'
import random, sys
d, n = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
with open(f"{d}/lines.vld", "wb") as vld, open(f"{d}/lines.dxf", "w", newline="\r\n") as dxf:
    vld.write("Velmoデータファイル\t5.2\t2020.11.26\r\n".encode("cp932"))
    dxf.write("0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n")
    for i in range(n):
        x, y = rng.uniform(0, 40000), rng.uniform(0, 30000)
        dx, dy = rng.uniform(-1500, 1500), rng.uniform(-1500, 1500)
        pen, layer = 1 + i % 8, i % 16
        vld.write(f"LINE,0,{layer},{16 + pen},{x:.4f},{y:.4f},{x + dx:.4f},{y + dy:.4f},0\r\n".encode())
        dxf.write(f"0\nLINE\n8\n{layer}\n62\n{pen}\n10\n{x:.4f}\n20\n{y:.4f}\n30\n0.0\n"
                  f"11\n{x + dx:.4f}\n21\n{y + dy:.4f}\n31\n0.0\n")
    vld.write(b"$EOF\r\n")
    dxf.write("0\nENDSEC\n0\nEOF\n")
PY
# What Velmo itself saved, as a user's drawing would be.
"$velmo" --convert "$work/lines.vld" "$work/saved.vld"

seconds() {
  local s e
  s=$(date +%s%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
  e=$(date +%s%N)
  printf '%d.%03d' $(((e - s) / 1000000000)) $(((e - s) / 1000000 % 1000))
}
for i in 1 2 3; do
  t=$(seconds "$velmo" --render "$work/saved.vld" "$work/out.png")
  echo "velmo --render VLD $t s"
  t=$(seconds "$velmo" --render "$work/lines.dxf" "$work/out.png")
  echo "velmo --render DXF $t s"
  t=$(seconds librecad dxf2pdf -a -o "$work/lines.pdf" "$work/lines.dxf")
  echo "librecad dxf2pdf   $t s"
done
