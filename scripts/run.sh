#!/usr/bin/env bash
# Installs what is missing, builds the program, installs it for this user
# (~/.local: the program, its desktop entry and icon, the drawings' file
# types, so that drawings open from the file manager; no root needed) and
# starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release
prefix="$HOME/.local"
if cmake --install build/release --prefix "$prefix" > build/release/install.log 2>&1; then
  echo "run.sh: velmo installed for this user in $prefix (desktop entry, icon, file types)"
else
  echo "run.sh: installing into $prefix failed (see build/release/install.log); starting the build's program" >&2
fi
exec build/release/velmo "$@"
