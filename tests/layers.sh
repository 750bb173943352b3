#!/usr/bin/env bash
# Layers point one way. SRC_DIR/layers.txt declares, per folder, the folders it may use, each
# after the ones it uses; this fails, naming the lines, when a file includes a header of a
# folder its own may not use, when a folder is missing from the table, or when the table names
# a folder that it has not declared before.
set -uo pipefail
src=${1:?usage: layers.sh SRC_DIR}
cd "$src" || exit 2

declare -A uses=()
status=0
while IFS= read -r line; do
  case $line in '' | '#'*) continue ;; esac
  folder=${line%%:*}
  for used in ${line#*:}; do
    if [ -z "${uses[$used]+x}" ]; then
      echo "layers.txt: $folder uses $used, which is not declared before it"
      status=1
    fi
  done
  uses[$folder]=" ${line#*:} "
done <layers.txt

for dir in */; do
  folder=${dir%/}
  if [ -z "${uses[$folder]+x}" ]; then
    echo "layers.txt: $folder is not declared"
    status=1
    continue
  fi
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    included=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]*)\/.*/\1/' <<<"$hit")
    if [ "$included" != "$folder" ] && [ -d "$included" ] && [[ ${uses[$folder]} != *" $included "* ]]; then
      echo "$hit"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$folder")
done
[ $status -eq 0 ] && echo "layers point one way ($(grep -cE '^[a-z_]+:' layers.txt) folders)"
exit $status
