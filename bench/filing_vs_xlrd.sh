#!/usr/bin/env bash
# Files N copies of the example timesheets with sheaver-cli (--all, 100 workbooks a run), with
# a python3-xlrd script doing the same job (bench/xlrd_filing.py: read, format, append line by
# line, move), and with the floor program bench_filing_floor (list, read each file whole, one
# append, rename; no parsing), in the same run on the same machine. Prints workbooks per second
# for all three, sheaver-cli's ratios to both, whether sheaver-cli and the script wrote the same
# data file, and sheaver-cli's system calls per workbook (counted by strace when it is there). With RUNS above 1 the whole comparison is
# run that many times on fresh copies, the two tools taking turns, and the medians are printed:
# on a machine shared with other work a single run's wall-clock time says little.
# Usage: bench/filing_vs_xlrd.sh [N] [BUILD_DIR] [RUNS]   (defaults 10000, build/default and 1)
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-10000}
build=${2:-build/default}
runs=${3:-1}
cli=$build/cli/sheaver-cli
floor=$build/bench/bench_filing_floor
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SHEAVER_LOCALE=en_GB  # both write day-first dates

# The forms: the example timesheets when they are there, else the test timesheet.
form_type=examples/FormTypes/Timesheet.dat
mapfile -t forms < <(ls examples/forms/Timesheet*.xls 2>/dev/null || true)
if [[ ! -f $form_type || ${#forms[@]} -eq 0 ]]; then
  form_type=$work/Timesheet.dat
  printf '3,3\r\n"Staff","B2","0"\r\n"Day","B3","+dmy"\r\n"Hours","C6:C12","0.00"\r\n' >"$form_type"
  forms=(tests/data/extract/week.xls)
fi

copies() {  # copies DIR: N copies of the forms, round-robin
  "$py" - "$1" "$n" "${forms[@]}" <<'PY'
import os, shutil, sys
target, n, forms = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
os.makedirs(target, exist_ok=True)
for i in range(n):
    shutil.copyfile(forms[i % len(forms)], os.path.join(target, "form%06d.xls" % i))
PY
}

rate() { echo "scale=0; $n / $1" | bc -l; }
seconds() {  # seconds COMMAND...: wall-clock seconds, CPU seconds on stderr of /usr/bin/time
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null
  read -r wall user sys <"$work/time"
  echo "$wall $(echo "$user + $sys" | bc -l)"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

same=yes
for ((run = 1; run <= runs; ++run)); do
  rm -rf "$work/ours" "$work/peer" "$work/floor"
  copies "$work/ours/in"; mkdir -p "$work/ours/out"
  copies "$work/peer/in"; mkdir -p "$work/peer/out"
  copies "$work/floor/in"; mkdir -p "$work/floor/out"
  sync

  read -r wall cpu < <(seconds "$floor" "$work/floor/in" "$work/floor/out" "$work/floor/data")
  echo "$wall" >>"$work/floor.wall"; echo "$cpu" >>"$work/floor.cpu"

  read -r wall cpu < <(seconds "$cli" --type "$form_type" --in "$work/ours/in" \
    --out "$work/ours/out" --data "$work/ours/data.csv" --all --quiet)
  echo "$wall" >>"$work/ours.wall"; echo "$cpu" >>"$work/ours.cpu"
  read -r wall cpu < <(seconds "$py" bench/xlrd_filing.py "$form_type" "$work/peer/in" \
    "$work/peer/out" "$work/peer/data.csv")
  echo "$wall" >>"$work/peer.wall"; echo "$cpu" >>"$work/peer.cpu"

  left=$(ls "$work/ours/in" | wc -l)
  cmp -s "$work/ours/data.csv" "$work/peer/data.csv" || same=no
done
ours_wall=$(median <"$work/ours.wall"); ours_cpu=$(median <"$work/ours.cpu")
peer_wall=$(median <"$work/peer.wall"); peer_cpu=$(median <"$work/peer.cpu")
floor_wall=$(median <"$work/floor.wall"); floor_cpu=$(median <"$work/floor.cpu")

# System calls per workbook: one more run of sheaver-cli under strace, start-up included.
calls=-
if command -v strace >/dev/null; then
  rm -rf "$work/ours"; copies "$work/ours/in"; mkdir -p "$work/ours/out"
  strace -f -c -o "$work/strace" "$cli" --type "$form_type" --in "$work/ours/in" \
    --out "$work/ours/out" --data "$work/ours/data.csv" --all --quiet >/dev/null
  total=$(awk '$NF == "total" {print $(NF-2)}' "$work/strace")
  [[ -n $total ]] && calls=$(echo "scale=1; $total / $n" | bc -l)
fi

printf "%d workbooks (%d forms), %d lines each way, %s left behind; same data file: %s\n" "$n" \
  "${#forms[@]}" "$(wc -l <"$work/ours/data.csv")" "$left" "$same"
[[ $runs -gt 1 ]] && printf "medians of %d runs\n" "$runs"
printf "%-14s %9s %12s %9s %12s\n" "" "wall s" "workbooks/s" "cpu s" "per cpu s"
printf "%-14s %9s %12s %9s %12s\n" sheaver-cli "$ours_wall" "$(rate "$ours_wall")" \
  "$ours_cpu" "$(rate "$ours_cpu")"
printf "%-14s %9s %12s %9s %12s\n" xlrd-script "$peer_wall" "$(rate "$peer_wall")" \
  "$peer_cpu" "$(rate "$peer_cpu")"
printf "%-14s %9s %12s %9s %12s\n" floor "$floor_wall" "$(rate "$floor_wall")" \
  "$floor_cpu" "$(rate "$floor_cpu")"
printf "xlrd-script / sheaver-cli: %.1fx wall-clock, %.1fx cpu\n" \
  "$(echo "$peer_wall / $ours_wall" | bc -l)" "$(echo "$peer_cpu / $ours_cpu" | bc -l)"
printf "sheaver-cli / floor: %.2fx wall-clock, %.2fx cpu\n" \
  "$(echo "$ours_wall / $floor_wall" | bc -l)" "$(echo "$ours_cpu / $floor_cpu" | bc -l)"
printf "sheaver-cli system calls per workbook: %s\n" "$calls"
