#!/usr/bin/env bash
# Include-order check: a file under src/ may include its own folder and the folders of
# the layers below it, nothing else. Prints each offending include and exits 1.
# Usage: tools/check_layers.sh [source root, default: the src/ beside this script]
set -u

# The layers, bottom first; folders on one line sit side by side and include none of
# each other. A new folder under src/ must be placed here before anything in it builds.
LAYERS=(
  "platform pixel res"
  "settings lang"
  "detect"
  "overlay"
  "plugin"
  "ui"
  "app"
)

SRC="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/src}"
declare -A LEVEL=()
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do LEVEL[$folder]=$i; done
done

status=0
complain() {
  echo "check_layers: $1" >&2
  status=1
}

for dir in "$SRC"/*/; do
  folder=$(basename "$dir")
  [ -n "${LEVEL[$folder]+x}" ] || complain "src/$folder/ is in no layer: add it to LAYERS in tools/check_layers.sh"
done

while IFS= read -r -d '' file; do
  rel=${file#"$SRC"/}
  own=${rel%%/*}
  [ "$own" = "$rel" ] && continue  # a file directly in src/ belongs to no layer
  [ -n "${LEVEL[$own]+x}" ] || continue  # reported above
  while IFS=: read -r line target; do
    used=${target%%/*}
    [ "$used" = "$target" ] && continue  # same folder
    [ "$used" = "$own" ] && continue
    if [ -z "${LEVEL[$used]+x}" ]; then
      complain "src/$rel:$line includes \"$target\": $used/ is in no layer"
    elif [ "${LEVEL[$used]}" -ge "${LEVEL[$own]}" ]; then
      if [ "${LEVEL[$used]}" -eq "${LEVEL[$own]}" ]; then where="beside"; else where="above"; fi
      complain "src/$rel:$line includes \"$target\": $used/ is $where $own/"
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find "$SRC" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0 | sort -z)

[ "$status" -eq 0 ] && echo "check_layers: every include under src/ runs downward"
exit "$status"
