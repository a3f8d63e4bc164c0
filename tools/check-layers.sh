#!/usr/bin/env bash
# Every import between the source folders runs one way: the entry point, then the windows,
# then ui/, registry/ and the copy engine in copier/, then platform/. Prints each import against
# that order; exits 1 if any.
#   check-layers.sh SRC_DIR
set -euo pipefail
src=${1:?usage: check-layers.sh SRC_DIR}

# What each folder may include besides itself. wizard/ reads the product information file
# that launcher/ owns; launcher/ knows nothing of the wizard. The copy engine knows no window:
# the wizard calls it, never the other way round.
declare -A allowed=(
  [program]="launcher wizard ui registry platform"
  [launcher]="ui registry platform"
  [wizard]="launcher copier ui registry platform"
  [copier]="platform"
  [ui]="platform"
  [registry]="platform"
  [platform]=""
)

bad=0
checked=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [[ ! -v allowed[$folder] ]]; then
    echo "unknown source folder: $folder/ (give it a place in tools/check-layers.sh)"
    bad=1
    continue
  fi
  while IFS=: read -r file _ target; do
    checked=$((checked + 1))
    to=${target%%/*}
    [ "$to" = "$folder" ] && continue
    if [[ " ${allowed[$folder]} " != *" $to "* ]]; then
      echo "${file#"$src"/} imports $target: $folder/ may not import $to/"
      bad=1
    fi
  done < <(grep -HnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+/[^"]+"' -r "$dir" \
             --include='*.cpp' --include='*.hpp' --include='*.h' --include='*.rc' |
           sed -E 's/:[0-9]+:[^"]*"([^"]+)"/::\1/; s|::\.\./\.\./|::|; s|::\.\./|::'"$folder"'/|')
done
[ "$checked" -gt 0 ] || { echo "no imports found under $src"; exit 1; }
[ "$bad" -eq 0 ] && echo "$checked imports, all one way"
exit "$bad"
