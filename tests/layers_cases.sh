#!/usr/bin/env bash
# Runs layers.sh on scratch trees laid out by the program's own layers.txt, one case a line:
# a file and the line it holds (for layers.txt, a sed edit of the table), and whether the check
# must pass. Fails naming the cases it got wrong.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${1:?usage: layers_cases.sh SRC_DIR}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cases=(
  'catalogs/a.cpp|#include "hours/month_rebuild.h"|pass'
  'journal/a.cpp|#include "catalogs/workers_window.h"|pass'
  'journal/a.cpp|#include "ui_entry_editor.h"|pass'
  'app/a.cpp|#include "journal/journal_window.h"|pass'
  'catalogs/a.cpp|#include "journal/entry_editor.h"|fail'
  'catalogs/a.h|  #  include "journal/journal_window.h"|fail'
  'reports/a.cpp|#include "catalogs/operation_statements.h"|fail'
  'timesheet/a.cpp|#include "journal/journal_window.h"|fail'
  'legacy_import/a.cpp|#include "reports/report_statements.h"|fail'
  'hours/a.cpp|#include "timesheet/timesheet_window.h"|fail'
  'core/a.cpp|#include "catalogs/price_rule.h"|fail'
  'toolkit/report/a.cpp|#include "core/data_module.h"|fail'
  'journal/a.cpp|#include "app/application.h"|fail'
  'undeclared/a.cpp|#include "core/data_module.h"|fail'
  'layers.txt|$a history: toolkit core hours journal|pass'
  'layers.txt|s/^hours: .*/hours: toolkit core catalogs/|fail'
  'layers.txt|s/^reports:/reports: journal/|fail'
)

status=0
for entry in "${cases[@]}"; do
  IFS='|' read -r file text expected <<<"$entry"
  tree=$scratch/tree
  rm -rf "$tree"
  mkdir -p "$tree"
  cp "$src/layers.txt" "$tree/"
  [ "$file" = layers.txt ] && sed -i "$text" "$tree/layers.txt"
  while IFS= read -r line; do
    case $line in '' | '#'*) ;; *) mkdir -p "$tree/${line%%:*}" ;; esac
  done <"$tree/layers.txt"
  if [ "$file" != layers.txt ]; then
    mkdir -p "$tree/$(dirname "$file")"
    printf '%s\n' "$text" >"$tree/$file"
  fi
  if "$here/layers.sh" "$tree" >"$scratch/out" 2>&1; then got=pass; else got=fail; fi
  if [ "$got" != "$expected" ]; then
    echo "$file: $text: expected $expected, got $got"
    cat "$scratch/out"
    status=1
  elif [ "$got" = fail ] && ! grep -qE "^($file:1:|layers.txt: .* not declared)" "$scratch/out"; then
    echo "$file: $text: failed without naming the line or the table's fault"
    cat "$scratch/out"
    status=1
  fi
done
[ $status -eq 0 ] && echo "layers.sh judged ${#cases[@]} cases right"
exit $status
