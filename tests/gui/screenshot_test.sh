#!/usr/bin/env bash
# Starts the real main window under a virtual X server, has it write a
# screenshot, and checks the picture: the window's size and not blank.
#
# usage: screenshot_test.sh VELMO OUT.png [--sample]
# With --sample the window shows the sample drawing, whose fills must show.
set -euo pipefail
velmo=${1:?usage: screenshot_test.sh VELMO OUT.png}
out=${2:?usage: screenshot_test.sh VELMO OUT.png}
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot_test: xvfb-run is missing (Debian package xvfb; scripts/install-deps.sh installs it)" >&2
  exit 1
fi
if ! command -v python3 >/dev/null 2>&1; then
  echo "screenshot_test: python3 is missing" >&2
  exit 1
fi

# A program folder of its own, so the test leaves the user's alone.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
rm -f "$out"

sample=${3:-}
VELMO_HOME=$home xvfb-run -a -s "-screen 0 1400x900x24" "$velmo" --screenshot "$out" ${sample:+"$sample"}
if [ ! -s "$out" ]; then
  echo "screenshot_test: velmo exited without writing $out" >&2
  exit 1
fi
if [ -n "$sample" ]; then
  # The polygon (F0A040) and the half ellipse (40A0F0) in their own colours.
  python3 "$here/check_png.py" "$out" 1280 800 f0a040 40a0f0
else
  python3 "$here/check_png.py" "$out" 1280 800
fi
