#!/usr/bin/env bash
# The --cells listing of a large workbook against python3-xlrd reading every cell of it, in the
# same run: a 65,536-row by 10-column sheet written by python3-xlwt (numbers, decimals, texts,
# dates, date-times, booleans). Prints the CPU time (user + system, whole process, start-up
# included) of `sheaver-cli --cells FILE > /dev/null` and of the xlrd reader (bench/xlrd_read.py's
# run_all, once), their ratio, sheaver-cli's peak memory (maximum resident set) against the file's
# size, and bench_engine's reading rate (no printing) in cells per second. Each figure is the
# best of RUNS runs: the machine is shared, and the best run is the one least disturbed.
# Usage: bench/cells_vs_xlrd.sh [BUILD_DIR] [RUNS]   (defaults build/default and 3; needs
# python3-xlrd and python3-xlwt)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
runs=${2:-3}
cli=$build/cli/sheaver-cli
engine=$build/bench/bench_engine
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

large=$work/large_65536x10.xls
"$py" - "$large" <<'PY'
import datetime, sys, xlwt
book = xlwt.Workbook()
sheet = book.add_sheet("Data")
date = xlwt.easyxf(num_format_str="dd/mm/yyyy")
stamp = xlwt.easyxf(num_format_str="dd/mm/yyyy hh:mm")
start = datetime.datetime(2020, 1, 1)
for r in range(65536):
    sheet.write(r, 0, r)
    sheet.write(r, 1, r * 0.25 + 0.01)
    sheet.write(r, 2, "item %d" % (r % 5000))
    sheet.write(r, 3, start.date() + datetime.timedelta(days=r % 3000), date)
    sheet.write(r, 4, -r * 3)
    sheet.write(r, 5, r / 7.0)
    sheet.write(r, 6, "name %d" % (r % 700))
    sheet.write(r, 7, start + datetime.timedelta(minutes=15 * (r % 9000)), stamp)
    sheet.write(r, 8, r % 2 == 0)
    sheet.write(r, 9, "row %d" % (r % 1000))
book.save(sys.argv[1])
PY
size=$(stat -c %s "$large")

# cpu COMMAND...: "CPU-seconds max-RSS-KB" of one run, its output discarded.
cpu() {
  /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >/dev/null
  read -r user sys rss <"$work/time"
  echo "$(echo "$user + $sys" | bc -l) $rss"
}
min() { sort -g | head -1; }

for ((run = 1; run <= runs; ++run)); do
  read -r c r < <(cpu "$cli" --cells "$large")
  echo "$c" >>"$work/ours.cpu"; echo "$r" >>"$work/ours.rss"
  read -r c r < <(cpu "$py" -c "import sys; sys.path.insert(0, 'bench'); import xlrd_read
print(xlrd_read.run_all(sys.argv[1]))" "$large")
  echo "$c" >>"$work/peer.cpu"; echo "$r" >>"$work/peer.rss"
  "$engine" all "$large" 10 | sed -n 's/.*time_us=\([0-9.]*\).*work=\([0-9]*\).*/\1 \2/p' >>"$work/engine"
done
ours_cpu=$(min <"$work/ours.cpu"); peer_cpu=$(min <"$work/peer.cpu")
ours_rss=$(min <"$work/ours.rss"); peer_rss=$(min <"$work/peer.rss")
read -r engine_us engine_work < <(sort -g "$work/engine" | head -1)
cells=$((engine_work / 11))  # the first run and 10 timed ones

printf "%s: %d bytes, %d cells; best of %d runs\n" "$(basename "$large")" "$size" "$cells" "$runs"
printf "%-22s %8s %14s\n" "" "cpu s" "peak memory"
printf "%-22s %8s %9.1f MiB %5.2fx file\n" "sheaver-cli --cells" "$ours_cpu" \
  "$(echo "$ours_rss / 1024" | bc -l)" "$(echo "$ours_rss * 1024 / $size" | bc -l)"
printf "%-22s %8s %9.1f MiB %5.2fx file\n" "xlrd, every cell" "$peer_cpu" \
  "$(echo "$peer_rss / 1024" | bc -l)" "$(echo "$peer_rss * 1024 / $size" | bc -l)"
printf "xlrd / sheaver-cli: %.1fx cpu\n" "$(echo "$peer_cpu / $ours_cpu" | bc -l)"
printf "bench_engine all (reading, no printing): %.1f ms, %.1f million cells a second\n" \
  "$(echo "$engine_us / 1000" | bc -l)" "$(echo "$cells / $engine_us" | bc -l)"
