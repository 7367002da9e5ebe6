#!/usr/bin/env bash
# velmo --render --size 640x480 --view-width 5000: a drawing with a
# horizontal line 5000 units long between two longer ones 3000 above and
# below (so that fitting alone would show it shorter) rendered 640 × 480; ImageMagick reads
# the picture's size, and the line's row is lit from the first column to
# the last.
#
# usage: render_view_width_test.sh VELMO
set -uo pipefail
velmo=${1:?usage: render_view_width_test.sh VELMO}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMO_HOME=$work/home
fail() { echo "render_view_width_test: $*" >&2; exit 1; }
command -v convert > /dev/null || fail "ImageMagick is missing (scripts/install-deps.sh installs it)"
cat > wide.vsc <<'SCRIPT'
op 直線
click L -2500,0
click L 2500,0
click L -9000,3000
click L 9000,3000
click L -9000,-3000
click L 9000,-3000
save wide.vld
SCRIPT
"$velmo" --script wide.vsc || fail "the drawing could not be made"
"$velmo" --render wide.vld wide.png --size 640x480 --view-width 5000 || fail "--render failed"
[ "$(identify -format '%wx%h' wide.png)" = 640x480 ] || fail "not 640x480: $(identify -format '%wx%h' wide.png)"
# The brightest row near the middle; its first and last columns are lit.
y=""
best=0
for r in $(seq 230 250); do
  m=$(convert wide.png -crop 640x1+0+$r -colorspace gray -format '%[fx:mean]' info:)
  if awk -v m="$m" -v b="$best" 'BEGIN { exit !(m > b) }'; then best=$m; y=$r; fi
done
[ -n "$y" ] || fail "no line near the middle"
for x in 1 638; do
  v=$(convert wide.png -crop 1x1+$x+$y -colorspace gray -format '%[fx:mean]' info:)
  awk -v v="$v" 'BEGIN { exit !(v > 0.05) }' || fail "column $x of row $y is dark ($v): the line does not span the width"
done
# And the 18 000-unit lines above and below are off the picture: 5000 units across.
v=$(convert wide.png -crop 640x200+0+0 -colorspace gray -format '%[fx:maxima]' info:)
awk -v v="$v" 'BEGIN { exit !(v < 0.05) }' || fail "the upper line shows: more than 5000 units across"
