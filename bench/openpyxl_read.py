#!/usr/bin/python3
"""The same workloads as bench_engine, with python3-openpyxl in read-only mode (its fastest way
to read): prints median microseconds per run and the peak memory the first run added.
Usage: openpyxl_read.py form|all FILE [REPEAT]"""
import warnings

import peer_timing

warnings.simplefilter("ignore")
from openpyxl import load_workbook  # noqa: E402


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


if __name__ == "__main__":
    peer_timing.main(run_form, run_all)
