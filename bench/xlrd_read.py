#!/usr/bin/python3
"""The same workloads as bench_engine, with python3-xlrd: prints median microseconds per run and
the peak memory the first run added. Usage: xlrd_read.py form|all FILE [REPEAT]"""
import os
import resource
import statistics
import sys
import time

import xlrd


def rss_bytes():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0


def run_form(path):
    bk = xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
    chars = sum(len(n.name) for n in bk.name_obj_list)
    # The active sheet is the one xlrd marks as shown in its window; the first otherwise.
    sheet = next((s for s in bk.sheets() if s.sheet_visible and s.sheet_selected), bk.sheet_by_index(0))
    for r in range(min(40, sheet.nrows)):
        for c in range(min(10, sheet.row_len(r))):
            chars += len(str(sheet.cell_value(r, c)))
    return chars


def run_all(path):
    bk = xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
    cells = 0
    for sheet in bk.sheets():
        for r in range(sheet.nrows):
            for v in sheet.row_values(r):
                cells += v != ""
    return cells


def main():
    mode, path = sys.argv[1], sys.argv[2]
    repeat = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    run = run_form if mode == "form" else run_all
    before = rss_bytes()
    work = run(path)
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024 - before
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        work += run(path)
        times.append((time.perf_counter() - t0) * 1e6)
    print("time_us=%.1f peak_bytes=%d file_bytes=%d work=%d"
          % (statistics.median(times), peak, os.path.getsize(path), work))


if __name__ == "__main__":
    main()
