#!/usr/bin/env bash
# Image export read by another program: the scenario tests/scripts/image_export.vsc
# writes a.jpg, line.bmp, fill.bmp and sq.gif; ImageMagick's identify must
# read each with the size and depth asked for.
#
# usage: image_export_test.sh VELMO
set -uo pipefail
velmo=${1:?usage: image_export_test.sh VELMO}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMO_HOME=$work/home
fail() { echo "image_export_test: $*" >&2; exit 1; }
command -v identify > /dev/null || fail "ImageMagick's identify is missing (scripts/install-deps.sh installs it)"

cp "$here/../scripts/image_export.vsc" .
"$velmo" --script image_export.vsc || fail "the scripted export failed"
[ ! -e a.gif ] || fail "a.gif was written: the JPEG filter's extension must win"
check() {  # file, expected "FORMAT WIDTHxHEIGHT DEPTH"
  local got
  got=$(identify -format '%m %wx%h %z' "$1" 2> err.txt) || fail "identify cannot read $1: $(cat err.txt)"
  [ "$got" = "$2" ] || fail "$1: $got, expected $2"
}
check a.jpg "JPEG 640x480 8"
check line.bmp "BMP3 640x480 1"
check fill.bmp "BMP3 640x480 8"
check sq.gif "GIF 800x800 8"
[ "$(od -An -tu2 -j28 -N2 fill.bmp | tr -d ' ')" = 24 ] || fail "fill.bmp is not 24 bits a pixel"
[ "$(identify -format '%[type]' line.bmp)" = "Bilevel" ] || fail "line.bmp is not black and white"
echo "image_export_test: ok"
