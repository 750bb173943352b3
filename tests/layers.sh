#!/usr/bin/env bash
# Layers point one way: toolkit <- core <- area folders <- app (start-up wiring). Fails, naming
# the lines, when a file includes a header of a layer above its own.
set -uo pipefail
src=${1:?usage: layers.sh SRC_DIR}
cd "$src" || exit 2

areas=()
for dir in */; do
  dir=${dir%/}
  case $dir in toolkit | core | app) ;; *) areas+=("$dir") ;; esac
done
area_pattern=$(IFS='|'; echo "${areas[*]}")

status=0
# forbid FOLDERS PATTERN: no file under FOLDERS may include a header whose path starts with PATTERN.
forbid() {
  local folders=$1 pattern=$2 hits
  # shellcheck disable=SC2086
  hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($pattern)/" $folders)
  if [ -n "$hits" ]; then
    echo "$hits"
    status=1
  fi
}
forbid toolkit "core|app|$area_pattern"
forbid core "app|$area_pattern"
forbid "${areas[*]}" app
[ $status -eq 0 ] && echo "layers point one way (areas: ${areas[*]})"
exit $status
