#!/usr/bin/env bash
# Opens and reads .xlsx workbooks with the engine and with python3-openpyxl (read-only mode) in
# the same run, side by side: a one-sheet form read through the object model (the LibreOffice
# timesheet fixture), and sheets of 10,000 and 100,000 rows read cell by cell (written on demand
# by scripts/fixtures/make_large.py, openpyxl's write-only mode; not committed). Prints time per
# run, the ratio, and the peak memory each run added, also per cell read: the engine's memory
# follows the cells read, not the size of the sheet's XML.
# Usage: bench/engine_vs_openpyxl.sh [BUILD_DIR]   (default build/default; needs python3-openpyxl)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/side_by_side.sh

form=tests/data/fixtures/timesheet-form.lo.xlsx
"$py" scripts/fixtures/make_large.py xlsx "$work/rows_10000.xlsx" --rows 10000
"$py" scripts/fixtures/make_large.py xlsx "$work/rows_100000.xlsx" --rows 100000

printf "%-34s %10s %8s %12s %14s %7s %12s %12s %11s\n" workbook bytes cells engine_us openpyxl_us ratio \
  engine_peak openpyxl_peak engine_B/cell
for bench_case in "form:$form:2000:100" "all:$work/rows_10000.xlsx:50:5" "all:$work/rows_100000.xlsx:10:3"; do
  IFS=: read -r mode file n_engine n_openpyxl <<<"$bench_case"
  measure "$mode" "$file" "$n_engine" bench/openpyxl_read.py "$n_openpyxl"
  # "work" is the number of cells read (all) or of characters read (form), once per run.
  cells=$(echo "$ours" | field work); cells=$((cells / (n_engine + 1)))
  per_cell=-
  [[ $mode == all ]] && per_cell=$(echo "$p1 / $cells" | bc -l | xargs printf "%.1f")
  printf "%-34s %10s %8s %12s %14s %6.1fx %12s %12s %11s\n" "$(basename "$file") ($mode)" "$size" \
    "$([[ $mode == all ]] && echo "$cells" || echo -)" "$t1" "$t2" "$(echo "$t2 / $t1" | bc -l)" "$p1" "$p2" "$per_cell"
done
