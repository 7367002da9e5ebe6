#!/usr/bin/env bash
# velmo --print-pdf: a drawing of one 100 mm line (basic scale 1) printed at
# 100 % measures 100 mm on the PDF's page, at 72 % 70.7 mm (pdftoppm at
# 254 dpi: 10 pixels a millimetre; the line's ink measured to the pixel).
# A wrong option is refused with status 2 and no file.
#
# usage: print_pdf_test.sh VELMO
set -euo pipefail
velmo=${1:?usage: print_pdf_test.sh VELMO}
command -v pdftoppm >/dev/null || { echo "print_pdf_test: pdftoppm missing (scripts/install-deps.sh installs poppler-utils)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMO_HOME="$work/home"
cat > line.vsc <<'SCRIPT'
op OpBtn_Line
click L 0,0
click L 100,0
save line.vld
SCRIPT
"$velmo" --script line.vsc
for scale in 100 72; do
  "$velmo" --print-pdf line.vld "out$scale.pdf" --scale "$scale" 2>/dev/null
  pdftoppm -r 254 -gray "out$scale.pdf" "page$scale"
done
python3 - <<'PY'
import glob, sys
def ink_width(prefix):
    data = open(sorted(glob.glob(prefix + '*.pgm'))[0], 'rb').read()
    magic, size, maxval, pixels = data.split(b'\n', 3)
    w, h = map(int, size.split())
    xs = [x for y in range(h) for x, v in enumerate(pixels[y * w:(y + 1) * w]) if v < 128]
    return (max(xs) - min(xs) + 1) / 10 if xs else 0
failed = False
for prefix, want in (('page100', 100.0), ('page72', 70.7)):
    got = ink_width(prefix)
    ok = abs(got - want) <= 0.2
    print('%s: %.1f mm (want %.1f)%s' % (prefix, got, want, '' if ok else '  FAIL'))
    failed = failed or not ok
sys.exit(1 if failed else 0)
PY
if "$velmo" --print-pdf line.vld bad.pdf --scale 99 2>/dev/null; then
  echo "a wrong scale was taken" >&2; exit 1
fi
[ ! -e bad.pdf ] || { echo "a refused print left a file" >&2; exit 1; }
echo PASSED
