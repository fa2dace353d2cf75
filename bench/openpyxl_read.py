#!/usr/bin/python3
"""The same workloads as bench_engine, with python3-openpyxl in read-only mode (its fastest way
to read): prints median microseconds per run and the peak memory the first run added.
Usage: openpyxl_read.py form|all FILE [REPEAT]"""
import os
import resource
import statistics
import sys
import time
import warnings

warnings.simplefilter("ignore")
from openpyxl import load_workbook  # noqa: E402


def rss_bytes():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0


def run_form(path):
    wb = load_workbook(path, read_only=True, data_only=True)
    chars = sum(len(n.name) for n in wb.defined_names.definedName)
    for row in wb.active.iter_rows(min_row=1, max_row=40, max_col=10, values_only=True):
        for v in row:
            chars += len(str(v)) if v is not None else 0
    wb.close()
    return chars


def run_all(path):
    wb = load_workbook(path, read_only=True, data_only=True)
    cells = 0
    for ws in wb.worksheets:
        for row in ws.iter_rows(values_only=True):
            for v in row:
                cells += v is not None
    wb.close()
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
