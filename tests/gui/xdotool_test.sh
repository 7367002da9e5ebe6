#!/usr/bin/env bash
# Runs a program that drives the real main window with xdotool, on a virtual
# X server of its own.
#
# usage: xdotool_test.sh PROGRAM [ARGS...]
set -euo pipefail
prog=${1:?usage: xdotool_test.sh PROGRAM [ARGS...]}
shift
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "xdotool_test: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
VELMO_HOME=$home QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" "$prog" "$@"
