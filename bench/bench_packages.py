#!/usr/bin/python3
"""Benchmarks the engine's .xlsx reader against python3-openpyxl in the same run.

Usage: bench/bench_packages.py [--bench PROGRAM] [--data DIR] [--runs N]

Writes, with openpyxl's write-only mode and only when they are not there yet, a one-sheet form
(a timesheet: header cells, a seven-day table, defined names) and sheets of 10,000 and 100,000
rows of eight mixed columns into DIR (default build/bench-data; nothing is committed). Then it
times, best of N runs each, opening every workbook and reading every cell of its active sheet:
once with the engine (bench_packages, built with the default preset) and once with openpyxl in
read-only mode, and prints both times, the ratio, and the peak memory of each process. The
engine's memory should grow with the cells read, not with the size of the sheet's XML.
"""
import argparse
import datetime
import os
import resource
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def make_form(path):
    from openpyxl import Workbook
    from openpyxl.workbook.defined_name import DefinedName
    wb = Workbook(write_only=True)
    ws = wb.create_sheet("Timesheet")
    ws.append(["Timesheet"])
    ws.append(["Name", "Alex Example", None, "Employee no.", 4711])
    ws.append(["Week beginning", datetime.datetime(2024, 1, 29), None, "Department", "Dispatch"])
    ws.append([])
    ws.append(["Day", "Date", "Start", "End", "Break", "Hours", "Notes"])
    for d in range(7):
        day = datetime.datetime(2024, 1, 29) + datetime.timedelta(days=d)
        ws.append([day.strftime("%A"), day, 8.0, 16.5, 0.5, 8.0, "on site" if d % 2 else None])
    ws.append([None, None, None, None, "Total", 56.0])
    wb.defined_names.append(DefinedName("EmployeeName", attr_text="Timesheet!$B$2"))
    wb.defined_names.append(DefinedName("WeekStart", attr_text="Timesheet!$B$3"))
    wb.defined_names.append(DefinedName("Hours", attr_text="Timesheet!$F$6:$F$12"))
    wb.save(path)


def make_rows(path, rows):
    from openpyxl import Workbook
    wb = Workbook(write_only=True)
    ws = wb.create_sheet("Data")
    base = datetime.datetime(2024, 1, 1)
    for i in range(rows):
        ws.append([i + 1, "Employee %d" % (i % 500), base + datetime.timedelta(days=i % 365),
                   (i * 37 % 1000) / 8.0, i % 3 == 0, "Dept " + "ABCDEFGH"[i % 8], 7.5, round(i * 1.1, 2)])
    wb.save(path)


OPENPYXL_READER = r"""
import resource, sys, time, warnings
warnings.simplefilter("ignore")
from openpyxl import load_workbook
best, cells = None, 0
for _ in range(int(sys.argv[2])):
    start = time.perf_counter()
    wb = load_workbook(sys.argv[1], read_only=True, data_only=True)
    ws = wb.active
    cells = sum(1 for row in ws.iter_rows(values_only=True) for v in row if v is not None)
    wb.close()
    t = time.perf_counter() - start
    best = t if best is None else min(best, t)
print(cells, best, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0)
"""


def run_openpyxl(path, runs):
    out = subprocess.run(["/usr/bin/python3", "-c", OPENPYXL_READER, path, str(runs)],
                         capture_output=True, text=True, check=True).stdout.split()
    return int(out[0]), float(out[1]), float(out[2])


def run_engine(program, path, runs):
    out = subprocess.run([program, "-n", str(runs), path], capture_output=True, text=True, check=True).stdout
    fields = dict(f.split("=") for f in out.split()[1:])
    return int(fields["cells"]), float(fields["seconds"]), float(fields["peak_rss_mib"]), float(fields["cells_mib"])


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--bench", default=os.path.join(ROOT, "build", "default", "bench", "bench_packages"))
    p.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    p.add_argument("--runs", type=int, default=3)
    args = p.parse_args()
    os.makedirs(args.data, exist_ok=True)
    workbooks = [("one-sheet form", "form.xlsx", make_form),
                 ("10,000 rows x 8", "rows10k.xlsx", lambda path: make_rows(path, 10000)),
                 ("100,000 rows x 8", "rows100k.xlsx", lambda path: make_rows(path, 100000))]
    print("%-18s %9s %12s %12s %8s %12s %14s %10s" % ("workbook", "cells", "engine s", "openpyxl s", "ratio",
                                                      "engine MiB", "openpyxl MiB", "cells MiB"))
    failed = False
    for label, name, make in workbooks:
        path = os.path.join(args.data, name)
        if not os.path.exists(path):
            make(path)
        cells, seconds, rss, cells_mib = run_engine(args.bench, path, args.runs)
        their_cells, their_seconds, their_rss = run_openpyxl(path, args.runs)
        if cells != their_cells:
            print("%s: the engine read %d cells, openpyxl %d" % (label, cells, their_cells))
            failed = True
        print("%-18s %9d %12.4f %12.4f %7.1fx %12.1f %14.1f %10.1f" % (
            label, cells, seconds, their_seconds, their_seconds / seconds, rss, their_rss, cells_mib))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
