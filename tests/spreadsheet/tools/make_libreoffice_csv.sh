#!/usr/bin/env bash
# Regenerates the checked-in LibreOffice CSV exports that the engine is compared with
# (<folder>/<workbook>-<sheet>.csv): tests/data/ods_csv from every .ods of the corpus and the .ods
# saved under an .xls name, tests/data/old_xls_csv from the Excel 2.x-4.x worksheets of the corpus.
# Needs soffice.
set -euo pipefail
cd "$(dirname "$0")/../../.."
export_to() {
  local out=$1
  shift
  rm -rf "$out" && mkdir -p "$out"
  /usr/bin/python3 tests/spreadsheet/tools/compare_with_csv.py --export "$out" "$@"
  soffice --version > "$out/PRODUCER.txt"
  ls "$out"
}
export_to tests/data/ods_csv tests/data/corpus/ods/*.ods tests/data/corpus/odd/rooxls_type_openoffice.xls
export_to tests/data/old_xls_csv $(awk -F'\t' '$6 ~ /^biff[234]-bare-stream/ {print "tests/data/corpus/" $1}' \
  tests/data/corpus/MANIFEST.tsv)
