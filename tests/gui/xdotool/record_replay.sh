#!/usr/bin/env bash
# A session in the real window recorded with `velmo --record` while xdotool
# sends real X pointer and key events (line operation by its key, free and
# snapped clicks, a typed length, wheel zoom, a pan with the right button,
# Ctrl+S and the overwrite question answered with Enter), then replayed with
# `velmo --script`: the replay must save the same drawing, byte for byte.
#
# Runs on an X server of its own: xdotool_test.sh record_replay.sh VELMO
set -euo pipefail
velmo=${1:?usage: record_replay.sh VELMO}
home=${VELMO_HOME:?VELMO_HOME must name an empty folder}
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL $*" >&2
  exit 1
}
xdo() { xdotool "$@"; sleep 0.15; }
cd "$work"

# An empty drawing to start from, named so that Ctrl+S saves over it.
printf 'save plan.vld\n' > empty.vsc
"$velmo" --script empty.vsc || fail "the empty drawing could not be made"
cp plan.vld start.vld

"$velmo" --record rec.vsc plan.vld &
pid=$!
win=
for _ in $(seq 1 100); do
  win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "the window did not show"
xdo windowmove "$win" 0 0
xdo windowsize "$win" 1200 800
sleep 1
xdo mousemove 600 400
xdo windowfocus --sync "$win"

# The drawing area holds the window's middle: points around (600, 400).
xdo key x                                   # the line operation
xdo mousemove 450 300
xdo click 1
for x in 500 550 600 650; do xdo mousemove "$x" 320; done
xdo mousemove 700 330
xdo click 1                                 # line 1
xdo mousemove 704 327
xdo click 3                                 # snapped to its end: line 2 starts there
xdo key 2                                   # ② length
xdo type 30
xdo key Return
xdo mousemove 700 250
xdo click 1                                 # line 2, 30 long
xdo mousemove 560 420
xdo click 4
xdo click 4                                 # wheel: zoom in about the pointer
xdo mousedown 3
xdo mousemove 600 450
xdo mousemove 640 480
xdo mouseup 3                               # pan
xdo mousemove 480 480
xdo click 1
xdo mousemove 620 520
xdo click 1                                 # line 3, in the moved view
xdo key Escape
xdo key ctrl+s                              # save over plan.vld: a question
box=
for _ in $(seq 1 50); do
  box=$(xdotool search --onlyvisible --name '^Velmo$' 2>/dev/null | head -n 1 || true)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "the overwrite question did not show"
xdo windowfocus --sync "$box"
xdo key Return                              # OK
sleep 0.5
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

[ "$(grep -c '^LINE,' plan.vld)" = 3 ] || fail "the window did not save three lines: $(grep '^LINE,' plan.vld)"
grep -q '^answer ok$' rec.vsc || fail "the answer to the question was not recorded"
[ "$(grep -A1 '^answer ok$' rec.vsc | tail -n 1)" = 'key S ctrl down' ] ||
  fail "the answer is not right before the key that asked"
mv plan.vld recorded.vld
cp start.vld plan.vld
"$velmo" --script rec.vsc || fail "the recorded script did not replay (status $?)"
cmp plan.vld recorded.vld || fail "the replay saved another drawing"
echo "PASSED ($(wc -l < rec.vsc) lines recorded)"
