#!/usr/bin/env bash
# Checks the include graph of src/ against the layer order
#   kernel < model < render < app < ops < files < output < dialogs
# A unit of a core layer includes only its own layer and lower ones, never
# src/platform, the top-level files (src/Velmo.h) or a Qt header. The
# top-level files may include every core layer and the headless platform
# (the command line's scripts run on it; it knows no toolkit) but neither
# the Qt platform nor Qt; src/platform may include anything. Tests, fuzz targets and benchmarks
# are not checked.
#   scripts/check-layers.sh [source folder, default src]
# Prints every offending line and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}
src=${src%/}

layers=(kernel model render app ops files output dialogs)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

# The place of a path relative to $src: a core layer, "top", "platform" or
# "" (outside src/).
place_of() {
  local rel=$1 first=${1%%/*}
  if [ "$first" = "$rel" ]; then
    echo top
  elif [ "$first" = platform ]; then
    echo platform
  elif [ -n "${rank[$first]+x}" ]; then
    echo "$first"
  else
    echo ""
  fi
}

# An included name as a path relative to $src: next to the including file
# when it exists there, else from $src (the include path every target has).
resolve() {
  local dir=$1 name=$2 p
  if [ -e "$src/$dir/$name" ] || [ -e "$src/$name" ]; then
    if [ -e "$src/$dir/$name" ]; then p=$dir/$name; else p=$name; fi
  elif [[ $name == */* ]]; then
    p=$name  # a header not written yet still names its layer
  else
    p=${dir:+$dir/}$name
  fi
  # Collapse "a/../" and "./" so that "../model/X.h" names model.
  local -a parts out=()
  IFS=/ read -r -a parts <<<"$p"
  for part in "${parts[@]}"; do
    case "$part" in
      . | "") ;;
      ..) if [ ${#out[@]} -gt 0 ]; then unset 'out[${#out[@]}-1]'; else echo "../"; return; fi ;;
      *) out+=("$part") ;;
    esac
  done
  (IFS=/; echo "${out[*]}")
}

fail=0
report() {
  echo "$1:$2: $3" >&2
  echo "    $4" >&2
  fail=1
}

while IFS= read -r file; do
  rel=${file#"$src"/}
  from=$(place_of "$rel")
  [ "$from" = platform ] && continue
  dir=$(dirname "$rel")
  [ "$dir" = . ] && dir=""
  while IFS= read -r hit; do
    line=${hit%%:*}
    text=${hit#*:}
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]]; then
      bracket=${BASH_REMATCH[1]}
      name=${BASH_REMATCH[2]}
    else
      continue
    fi
    if [ "$bracket" = "<" ] && [[ $name =~ ^(Q[A-Za-z]|Qt[A-Za-z]*/) ]]; then
      report "$file" "$line" "includes the Qt header <$name>" \
        "only src/platform knows the toolkit; reach it through IPlatform (kernel/Platform.h)"
      continue
    fi
    target=$(resolve "$dir" "$name")
    if [ "$bracket" = "<" ] && [ ! -e "$src/$target" ]; then
      continue  # a system or library header
    fi
    to=$(place_of "$target")
    [ -z "$to" ] && continue
    if [ "$to" = platform ] && [ "$from" = top ] && [[ $target == platform/headless/* ]]; then
      :  # the command line's script runner drives the headless platform
    elif [ "$to" = platform ]; then
      report "$file" "$line" "includes $name from src/platform" \
        "only the front ends know the platform; the core reaches it through IPlatform (kernel/Platform.h)"
    elif [ "$from" = top ]; then
      :  # the top-level files stand on every core layer
    elif [ "$to" = top ]; then
      report "$file" "$line" "includes the top-level $name" \
        "layer $from is below the assembly in src/$target; declare a hook in $from and let src/Velmo.cpp install it"
    elif [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
      report "$file" "$line" "includes $name of layer $to" \
        "layer $from may include only ${layers[*]:0:${rank[$from]}+1} (order ${layers[*]}); declare a hook in $from and let src/Velmo.cpp install it"
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.inc' \) | sort)

if [ $fail -ne 0 ]; then
  echo "check-layers: includes against the layer order (docs/ARCHITECTURE.md, Layers)" >&2
  exit 1
fi
echo "check-layers: $src keeps the layer order"
