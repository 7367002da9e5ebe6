#!/usr/bin/env bash
# velmo --convert and --render without a display: a drawing goes to ".VLZ"
# and back to the same bytes and is drawn into a PNG; failures exit non-zero
# with a message and write nothing.
#   convert_test.sh VELMO SAMPLE.vld WORKDIR
set -u
velmo=$1 sample=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/home"
cd "$work"
export VELMO_HOME="$work/home"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
fail() { echo "convert_test: $*" >&2; exit 1; }

"$velmo" --convert "$sample" canon.vld || fail "reading the sample failed"
"$velmo" --convert canon.vld packed.VLZ || fail "VLD -> VLZ failed"
"$velmo" --convert packed.VLZ back.Vld || fail "VLZ -> VLD failed"
cmp canon.vld back.Vld || fail "VLD -> VLZ -> VLD changed the drawing"
[ "$(head -c 7 packed.VLZ)" = "CMP-VLD" ] || fail "no signature in the VLZ file"
[ "$(stat -c %s packed.VLZ)" -lt "$(stat -c %s canon.vld)" ] || fail "the VLZ file is not smaller"
grep -q '^LINE,0,3,33,-20.5000,10.2500,80.0000,-40.0000,0' back.Vld || fail "a line was lost"

# Failures: non-zero status, a Japanese message, no output file.
printf 'CMP-VLE\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0xxxx' > wrong.vlz
for args in "missing.vld out1.vld" "wrong.vlz out2.vld" "canon.vld out3.txt" "canon.vld"; do
  set -- $args
  if "$velmo" --convert "$@" 2> err.txt; then fail "velmo --convert $args succeeded"; fi
  [ -s err.txt ] || fail "velmo --convert $args gave no message"
  grep -qP '[^\x00-\x7F]' err.txt || fail "velmo --convert $args: message not in Japanese: $(cat err.txt)"
  [ ! -e "${2:-none}" ] || fail "velmo --convert $args created ${2}"
done
# Rendering: the asked size and the default one, fitted, in the pens' colours.

"$velmo" --render packed.VLZ small.png --size 640x480 || fail "--render failed"
python3 "$here/check_render.py" small.png 640 480 || fail "small.png is wrong"
"$velmo" --render canon.vld default.png || fail "--render failed"
python3 "$here/check_render.py" default.png 1600 1200 || fail "default.png is wrong"
for args in "missing.vld r1.png" "wrong.vlz r2.png" "canon.vld r3.png --size 0x10" "canon.vld r4.png --size 99999x10" "canon.vld r5.png --size big"; do
  set -- $args
  if "$velmo" --render "$@" 2> err.txt; then fail "velmo --render $args succeeded"; fi
  [ -s err.txt ] || fail "velmo --render $args gave no message"
  [ ! -e "$2" ] || fail "velmo --render $args created $2"
done

# Jw_cad drawings: a real one converts and renders; a cut copy warns and
# converts nothing.
jww=$here/../files/data/jww/Test6.jww
"$velmo" --convert "$jww" plan.vld || fail "JWW -> VLD failed"
[ "$(grep -c '^LINE,' plan.vld)" -eq 1641 ] || fail "plan.vld: $(grep -c '^LINE,' plan.vld) lines, not 1641"
[ "$(grep -c '^TEXT,' plan.vld)" -eq 235 ] || fail "plan.vld: $(grep -c '^TEXT,' plan.vld) texts, not 235"
[ "$(grep -c "^LINE,0,25," plan.vld)" -eq 782 ] || fail "plan.vld: group 1, layer 9 lost its lines"
"$velmo" --render "$jww" plan.png --size 800x600 || fail "--render of a JWW file failed"
python3 "$here/check_render.py" plan.png 800 600 || fail "plan.png is wrong"
head -c 60000 "$jww" > cut.jww
if "$velmo" --convert cut.jww cut.vld 2> err.txt; then fail "a cut JWW file converted"; fi
grep -qP '[^\x00-\x7F]' err.txt || fail "cut JWW: message not in Japanese: $(cat err.txt)"
[ ! -e cut.vld ] || fail "a cut JWW file was converted"

# Jw_cad's older format: the drawing written as JWC and read back keeps its
# elements; a JWC drawing and a part render; a file too short is refused.
"$velmo" --convert "$jww" plan.jwc || fail "JWW -> JWC failed"
"$velmo" --convert plan.jwc back.vld || fail "JWC -> VLD failed"
for kind in LINE TEXT CIRCLE ARC POINT; do
  [ "$(grep -c "^$kind," back.vld)" -eq "$(grep -c "^$kind," plan.vld)" ] ||
    fail "back.vld: $(grep -c "^$kind," back.vld) $kind, plan.vld $(grep -c "^$kind," plan.vld)"
done
"$velmo" --render plan.jwc jwc.png --size 640x480 || fail "--render of a JWC file failed"
python3 "$here/check_render.py" jwc.png 640 480 || fail "jwc.png is wrong"
"$velmo" --render "$here/../files/data/jwc/part.jwk" part.png --size 320x240 || fail "--render of a JWK part failed"
python3 "$here/check_render.py" part.png 320 240 || fail "part.png is wrong"
head -c 300 plan.jwc > short.jwc
if "$velmo" --convert short.jwc short.vld 2> err.txt; then fail "a file too short for JWC converted"; fi
grep -qP '[^\x00-\x7F]' err.txt || fail "short JWC: message not in Japanese: $(cat err.txt)"

# A DXF drawing converts and renders; a file that is no DXF is refused.
dxf=$here/../files/data/dxf/entities.dxf
"$velmo" --convert "$dxf" dxf.vld || fail "DXF -> VLD failed"
[ "$(grep -c '^LINE,\|^ARC,\|^CIRCLE,' dxf.vld)" -eq 29 ] || fail "dxf.vld: $(grep -c '^LINE,\|^ARC,\|^CIRCLE,' dxf.vld) curves, not 29"
"$velmo" --render "$dxf" dxf.png --size 640x480 || fail "--render of a DXF file failed"
python3 "$here/check_render.py" dxf.png 640 480 || fail "dxf.png is wrong"
printf 'no drawing here\n' > nothing.dxf
if "$velmo" --convert nothing.dxf nothing.vld 2> err.txt; then fail "a file that is no DXF converted"; fi
grep -qP '[^\x00-\x7F]' err.txt || fail "no DXF: message not in Japanese: $(cat err.txt)"

# The window's command line is checked before the toolkit needs a display:
# a usage message in Japanese and status 2.
for args in "--bogus" "a.vld b.vld" "-style"; do
  set -- $args
  "$velmo" "$@" 2> err.txt
  rc=$?
  [ $rc -eq 2 ] || fail "velmo $args: status $rc, not 2: $(cat err.txt)"
  grep -qP '[^\x00-\x7F]' err.txt || fail "velmo $args: message not in Japanese: $(cat err.txt)"
done

# This run's temporary files are gone.
[ -z "$(ls -A home | grep '^#TMP')" ] || fail "temporary files left: $(ls -A home)"
echo "convert_test: ok"
