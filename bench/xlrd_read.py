#!/usr/bin/python3
"""The same workloads as bench_engine, with python3-xlrd: prints median microseconds per run and
the peak memory the first run added. Usage: xlrd_read.py form|all FILE [REPEAT]"""
import os

import peer_timing
import xlrd


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


if __name__ == "__main__":
    peer_timing.main(run_form, run_all)
