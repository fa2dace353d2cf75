#!/usr/bin/env bash
# Opens and reads workbooks with the engine and with python3-xlrd in the same run, side by side:
# a one-sheet form read through the object model, and a workbook with a full 65536-row sheet
# read cell by cell. Prints time per run, peak memory against the file size, and the ratios.
# Usage: bench/engine_vs_xlrd.sh [BUILD_DIR]   (default build/default; needs python3-xlrd, and
# python3-xlwt to generate the large workbook)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/side_by_side.sh

form=tests/data/corpus/xls/poi_Form_Inscripcion_Curso_NO_Socios.xls
large=$work/large_65536_rows.xls
"$py" - "$large" <<'PY'
import datetime, sys, xlwt
book = xlwt.Workbook()
sheet = book.add_sheet("Data")
date = xlwt.easyxf(num_format_str="dd/mm/yyyy")
start = datetime.date(2020, 1, 1)
for r in range(65536):
    sheet.write(r, 0, r)
    sheet.write(r, 1, r * 0.25 + 0.01)
    sheet.write(r, 2, "item %d" % (r % 5000))
    sheet.write(r, 3, start + datetime.timedelta(days=r % 3000), date)
book.save(sys.argv[1])
PY

printf "%-42s %10s %12s %12s %8s %14s %14s\n" workbook bytes engine_us xlrd_us ratio engine_peak xlrd_peak
for bench_case in "form:$form:2000:200" "all:$large:20:3"; do
  IFS=: read -r mode file n_engine n_xlrd <<<"$bench_case"
  measure "$mode" "$file" "$n_engine" bench/xlrd_read.py "$n_xlrd"
  printf "%-42s %10s %12s %12s %7.0fx %8.2fx file %8.2fx file\n" "$(basename "$file") ($mode)" "$size" \
    "$t1" "$t2" "$(echo "$t2 / $t1" | bc -l)" "$(echo "$p1 / $size" | bc -l)" "$(echo "$p2 / $size" | bc -l)"
done
