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
15 significant digits, drops tab characters and reads a CR LF inside a text cell (not a
formula's text) as LF, where the engine gives the text as stored; the comparison reads the CSV
texts back with those rules: texts equal (tabs and a CR before an LF aside), numbers equal to 15
digits, dates equal to the precision the text shows, TRUE/FALSE for booleans, error texts
equal. Exits 1 on any difference.
"""
import csv
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile

from tab_lines import ERROR_TEXTS, differing_cells, read_dump, report

# Separator 44 (comma), text delimiter 34 ("), UTF-8 (76), from line 1, no column formats,
# English (US), quoted fields not as text, no special numbers, contents as stored (not as
# shown), values not formulas, spaces kept, every sheet into a file of its own.
FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,false,false,false,false,-1"

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
    if ours is None or text is None:  # LibreOffice leaves out texts of nothing but tabs
        return text is None and ours[0] == "text" and ours[1].replace("\t", "") == ""
    kind, value = ours
    if kind == "text":
        value = value.replace("\t", "")
        return text in (value, value.replace("\r\n", "\n"))
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
    book = read_dump(program, workbook)
    if book["error"]:
        return ["engine raised %d: %s" % book["error"]]
    base = os.path.splitext(os.path.basename(workbook))[0]
    for index, (name, _) in enumerate(book["sheets"]):
        path = os.path.join(csv_dir, "%s-%s.csv" % (base, name))
        if not os.path.exists(path) and len(book["sheets"]) == 1:
            # LibreOffice names the one sheet of an Excel 3.0 or 4.0 worksheet "Sheet1", where
            # Excel (and the engine) name it after the file.
            path = os.path.join(csv_dir, "%s-Sheet1.csv" % base)
        if not os.path.exists(path):
            problems.append("no export %s" % path)
            continue
        theirs = {}
        with open(path, encoding="utf-8", newline="") as f:
            for r, row in enumerate(csv.reader(f)):
                for c, text in enumerate(row):
                    if text != "":
                        theirs[(r, c)] = text
        mine = {(r, c): v for (s, r, c), v in book["cells"].items() if s == index}
        for key, a, b in differing_cells(mine, theirs, same)[:20]:
            problems.append("sheet %s cell %s: engine %r, LibreOffice %r" % (name, key, a, b))
    return problems


def compare_all(program, workbooks, csv_dir):
    return report(((os.path.basename(wb), compare(program, wb, csv_dir)) for wb in workbooks),
                  "LibreOffice exports them")


def main():
    args = sys.argv[1:]
    if args[0] == "--export":
        return 0 if export(args[2:], args[1]) else 77
    if args[0] != "--live":
        return compare_all(args[0], args[2:], args[1])
    with tempfile.TemporaryDirectory() as csv_dir:
        if not export(args[2:], csv_dir):
            print("LibreOffice (soffice) is not installed: live comparison skipped")
            return 77
        return compare_all(args[1], args[2:], csv_dir)


if __name__ == "__main__":
    sys.exit(main())
