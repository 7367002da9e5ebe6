#!/usr/bin/env bash
# DXF export: the files Velmo writes pass ezdxf's audit without errors and
# read back into Velmo with the same elements (texts come back one entity
# per piece or character, as written); where LibreCAD is installed, its
# dxf2pdf prints them.
#
# usage: dxf_export_test.sh VELMO
set -uo pipefail
velmo=${1:?usage: dxf_export_test.sh VELMO}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMO_HOME=$work/home QT_QPA_PLATFORM=offscreen
fail() { echo "dxf_export_test: $*" >&2; exit 1; }

cp "$here/dxf_rich.vsc" .
"$velmo" --script dxf_rich.vsc || fail "the scripted drawing failed"
samples=$here/../files/data/jww
"$velmo" --convert "$samples/Test6.jww" test6.vld || fail "Test6.jww -> VLD failed"
"$velmo" --convert "$samples/Test6.jww" test6.dxf || fail "Test6.jww -> DXF failed"
"$velmo" --convert "$samples/Test7.jww" test7.vld || fail "Test7.jww -> VLD failed"
"$velmo" --convert "$samples/Test7.jww" test7.dxf || fail "Test7.jww -> DXF failed"

# Counts of a native file's records by kind.
count() { grep -c "^$2," "$1"; }

for name in rich lines test6 test7; do
  /usr/bin/python3 - "$name.dxf" > "$name.counts" <<'PY' || fail "$name.dxf: $(cat "$name.counts")"
import collections, sys
import ezdxf
doc = ezdxf.readfile(sys.argv[1])
audit = doc.audit()
if audit.errors:
    print("ezdxf audit:", *[str(e) for e in audit.errors[:5]])
    sys.exit(1)
if doc.encoding != "cp932":
    print("encoding", doc.encoding)
    sys.exit(1)
kinds = collections.Counter(e.dxftype() for e in doc.modelspace())
whole = sum(1 for e in doc.modelspace().query("ELLIPSE") if abs(e.dxf.end_param - e.dxf.start_param - 6.283) < 0.01)
print(kinds["LINE"], kinds["CIRCLE"] + whole, kinds["ARC"] + kinds["ELLIPSE"] - whole, kinds["POINT"], kinds["SOLID"], kinds["TEXT"])
PY
  "$velmo" --convert "$name.dxf" "$name.back.vld" || fail "$name.dxf does not read back"
  read -r lines circles arcs points solids texts < "$name.counts"
  back="$(count $name.back.vld LINE) $(count $name.back.vld CIRCLE) $(count $name.back.vld ARC) $(count $name.back.vld POINT) $(count $name.back.vld FILL4K) $(count $name.back.vld TEXT)"
  [ "$back" = "$lines $circles $arcs $points $solids $texts" ] || fail "$name: read back as $back, written $lines $circles $arcs $points $solids $texts"
done

# The same elements as the drawings written: curves, points and fills one
# for one; the ellipse as one entity or as lines.
for name in test6 test7; do
  for kind in LINE CIRCLE ARC POINT FILL4K; do
    [ "$(count $name.vld $kind)" -eq "$(count $name.back.vld $kind)" ] ||
      fail "$name: $(count $name.vld $kind) $kind written, $(count $name.back.vld $kind) read back"
  done
done
[ "$(count rich.back.vld CIRCLE)" -eq 2 ] || fail "rich: the circle and the ellipse did not come back"
[ "$(count lines.back.vld CIRCLE)" -eq 1 ] && [ "$(count lines.back.vld LINE)" -gt 20 ] ||
  fail "lines: the ellipse was not written as lines"
[ "$(count rich.back.vld TEXT)" -eq 9 ] || fail "rich: $(count rich.back.vld TEXT) texts, not 3 pieces and 6 characters"

if command -v librecad > /dev/null 2>&1; then
  for name in rich test7; do
    timeout 120 librecad dxf2pdf -a -o "$name.pdf" "$name.dxf" > /dev/null 2>&1 || fail "LibreCAD could not print $name.dxf"
    [ -s "$name.pdf" ] || fail "LibreCAD printed nothing for $name.dxf"
  done
else
  echo "dxf_export_test: LibreCAD is not installed; its printing is not tried"
fi
echo "dxf_export_test: ok"
