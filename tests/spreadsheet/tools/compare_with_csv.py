#!/usr/bin/python3
"""Differential test of the .ods reader against LibreOffice's CSV export.

Usage:
  compare_with_csv.py DUMP_PROGRAM CSV_DIR WORKBOOK...
      compares each WORKBOOK with the CSV files CSV_DIR/<workbook name>-<sheet name>.csv;
  compare_with_csv.py --live DUMP_PROGRAM WORKBOOK...
      exports each WORKBOOK with soffice into a temporary folder first (exit code 77, a skip,
      when LibreOffice is not installed);
  compare_with_csv.py --export OUT_DIR WORKBOOK...
      only exports, to make the checked-in CSV files.

The export writes every sheet, UTF-8, with cell contents as stored rather than as shown. Even so
LibreOffice still shows dates, times and percentages through their formats, rounds numbers to
15 significant digits and drops tab characters; the comparison reads the CSV texts back with
those rules: texts equal (tabs aside), numbers equal to 15 digits, dates equal to the precision
the text shows, TRUE/FALSE for booleans, error texts equal. Exits 1 on any difference.
"""
import csv
import datetime
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Separator 44 (comma), text delimiter 34 ("), UTF-8 (76), from line 1, no column formats,
# English (US), quoted fields not as text, no special numbers, contents as stored (not as
# shown), values not formulas, spaces kept, every sheet into a file of its own.
FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,false,false,false,false,-1"

ERROR_TEXTS = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}


def export(workbooks, out_dir):
    soffice = shutil.which("soffice")
    if not soffice:
        return False
    with tempfile.TemporaryDirectory() as profile:
        for wb in workbooks:
            subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless",
                            "--convert-to", FILTER, "--outdir", out_dir, wb],
                           check=True, capture_output=True, timeout=300)
    return True


def unescape(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}[s[i + 1]])
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


def read_dump(program, path):
    out = subprocess.run([program, path], capture_output=True, text=True, check=True).stdout
    sheets, cells, error = [], {}, None
    for line in out.splitlines():
        f = line.split("\t")
        if f[0] == "ERROR":
            error = line
        elif f[0] == "SHEET":
            sheets.append(unescape(f[3]))
        elif f[0] == "CELL":
            kind, value = f[4], unescape(f[5])
            if kind not in ("text", "error"):
                value = float.fromhex(value)
            cells[(int(f[1]), int(f[2]), int(f[3]))] = (kind, value)
    return sheets, cells, error


def serial_of(day, seconds=0.0):
    """The 1900-system serial of a date and a time of day in seconds."""
    value = (day - datetime.date(1899, 12, 30)).days + seconds / 86400.0
    return value - 1 if 1 <= value < 61 else value


DATE_FORMS = [
    (re.compile(r"(\d{1,2})/(\d{1,2})/(\d{4}|\d{2})"), lambda m: (int(m[3]), int(m[1]), int(m[2]))),
    (re.compile(r"(\d{4})-(\d{1,2})-(\d{1,2})"), lambda m: (int(m[1]), int(m[2]), int(m[3]))),
]
TIME_FORM = re.compile(r"(\d+):(\d{2})(?::(\d{2})(\.\d+)?)?(?:\s*(AM|PM))?$")


def read_date(text):
    """(serial, resolution in days) of a date or time text as LibreOffice shows it, or None."""
    text = text.strip()
    day, rest = None, text
    for pattern, parts in DATE_FORMS:
        m = pattern.match(text)
        if m:
            y, mo, d = parts(m)
            if y < 100:
                y += 2000 if y < 30 else 1900
            day = datetime.date(y, mo, d)
            rest = text[m.end():].strip()
            break
    if not rest:
        return (serial_of(day), 1.0) if day else None
    m = TIME_FORM.match(rest)
    if not m:
        return None
    h, mi = int(m[1]), int(m[2])
    s = int(m[3] or 0) + float(m[4] or 0)
    if m[5] == "PM" and h < 12:
        h += 12
    if m[5] == "AM" and h == 12:
        h = 0
    seconds = h * 3600 + mi * 60 + s
    resolution = (1e-6 if m[4] else 1.0 if m[3] else 60.0) / 86400.0
    if day is None:
        return (seconds / 86400.0, resolution)
    return (serial_of(day, seconds), resolution)


def same(ours, text):
    kind, value = ours
    if kind == "text":
        return value.replace("\t", "") == text
    if kind == "error":
        return text == value or (text not in ERROR_TEXTS and value == "#N/A")
    if kind == "bool":
        return text == ("TRUE" if value else "FALSE")
    if kind == "number":
        t = text.strip()
        scale = 1.0
        if t.endswith("%"):
            t, scale = t[:-1], 100.0
        try:
            theirs = float(t) / scale
        except ValueError:
            return False
        mine = float("%.15g" % value)
        return abs(mine - theirs) <= 1e-14 * max(abs(mine), abs(theirs), 1e-300)
    if kind == "date":
        got = read_date(text)
        if not got:
            return False
        serial, resolution = got
        if resolution >= 1.0:
            return int(value // 1) == int(serial)
        return abs(value - serial) <= resolution
    return False


def compare(program, workbook, csv_dir):
    problems = []
    sheets, cells, error = read_dump(program, workbook)
    if error:
        return [error]
    base = os.path.splitext(os.path.basename(workbook))[0]
    for index, name in enumerate(sheets):
        path = os.path.join(csv_dir, "%s-%s.csv" % (base, name))
        if not os.path.exists(path):
            problems.append("no export %s" % path)
            continue
        theirs = {}
        with open(path, encoding="utf-8", newline="") as f:
            for r, row in enumerate(csv.reader(f)):
                for c, text in enumerate(row):
                    if text != "":
                        theirs[(r, c)] = text
        mine = {(r, c): v for (s, r, c), v in cells.items() if s == index}
        for key in sorted(set(theirs) | set(mine)):
            a, b = mine.get(key), theirs.get(key)
            if a is None and b is None:
                continue
            if a is not None and b is None and a[0] == "text" and a[1].replace("\t", "") == "":
                continue
            if a is None or b is None or not same(a, b):
                problems.append("sheet %s cell %s: engine %r, LibreOffice %r" % (name, key, a, b))
                if len(problems) > 20:
                    return problems
    return problems


def main():
    args = sys.argv[1:]
    if args[0] == "--export":
        return 0 if export(args[2:], args[1]) else 77
    live = args[0] == "--live"
    if live:
        program, workbooks = args[1], args[2:]
        tmp = tempfile.mkdtemp()
        if not export(workbooks, tmp):
            print("LibreOffice (soffice) is not installed: live comparison skipped")
            return 77
        csv_dir = tmp
    else:
        program, csv_dir, workbooks = args[0], args[1], args[2:]
    failed = 0
    for wb in workbooks:
        problems = compare(program, wb, csv_dir)
        print("%-50s %s" % (os.path.basename(wb), "same" if not problems else "DIFFERENT"))
        for p in problems:
            print("    " + p)
        failed += bool(problems)
    if live:
        shutil.rmtree(csv_dir)
    print("%d of %d workbooks read the same as LibreOffice exports them" % (len(workbooks) - failed, len(workbooks)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
