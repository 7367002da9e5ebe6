#!/usr/bin/env bash
# Runs one scenario script with `velmo --script` in a scratch folder: the
# scripts folder is copied there, so a script reads its neighbours and
# writes beside itself by relative names, and the program folder is a new
# one. The script's exit status is the test's.
#
# usage: run_script.sh VELMO SCRIPT.vsc
set -euo pipefail
velmo=${1:?usage: run_script.sh VELMO SCRIPT.vsc}
script=${2:?usage: run_script.sh VELMO SCRIPT.vsc}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$(dirname "$script")"/. "$work/"
cd "$work"
VELMO_HOME="$work/home" "$velmo" --script "$(basename "$script")"
