#!/usr/bin/env bash
# Regenerates the checked-in LibreOffice CSV exports that the .ods reader is compared with
# (tests/data/ods_csv/<workbook>-<sheet>.csv), from every .ods of the corpus and the .ods saved
# under an .xls name. Needs soffice.
set -euo pipefail
cd "$(dirname "$0")/../../.."
out=tests/data/ods_csv
rm -rf "$out" && mkdir -p "$out"
/usr/bin/python3 tests/spreadsheet/tools/compare_with_csv.py --export "$out" tests/data/corpus/ods/*.ods \
  tests/data/corpus/odd/rooxls_type_openoffice.xls
soffice --version > "$out/PRODUCER.txt"
ls "$out"
