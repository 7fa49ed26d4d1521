#!/usr/bin/env bash
# The include graph points one way: each folder of src/ may include only its
# own headers and those of the folders below it. Prints every include that
# points back, and fails if there is one.
#   check_layers.sh <source root>
set -euo pipefail
src=$1/src

declare -A below=(
  [engine]=""
  [io]="engine"
  [model]="engine"
  [render]="model engine"
  [palette]="render model io engine"
  [files]="model io engine"
  [settings]="model io engine"
  [view]="model engine"
  [session]="palette files render model io engine"
  [cli]="session palette files render model io engine"
  [app]="session palette files settings view render model io engine"
)

# Where each header lives: its layer is the first folder under src/.
declare -A layer_of
while IFS= read -r header; do
  rel=${header#"$src"/}
  layer_of[$(basename "$header")]=${rel%%/*}
done < <(find "$src" -name '*.hpp')

status=0
for layer in "${!below[@]}"; do
  allowed=" $layer ${below[$layer]} "
  while IFS= read -r file; do
    while IFS= read -r name; do
      target=${layer_of[$name]:-}
      [ -z "$target" ] && continue  # a system or toolkit header
      if [[ $allowed != *" $target "* ]]; then
        echo "${file#"$1"/} includes $name of $target, above $layer"
        status=1
      fi
    done < <(sed -n 's/^#include "\(.*\)"/\1/p' "$file")
  done < <(find "$src/$layer" -name '*.hpp' -o -name '*.cpp' | sort)
done
[ $status -eq 0 ] && echo "every include points down"
exit $status
