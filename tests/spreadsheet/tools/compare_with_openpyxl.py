#!/usr/bin/python3
"""Differential test of the .xlsx reader against Debian's python3-openpyxl.

Usage: compare_with_openpyxl.py DUMP_PROGRAM CORPUS_DIR [WORKBOOK ...]

Runs DUMP_PROGRAM (tests/spreadsheet/tools/xls_dump.cpp) over every .xlsx/.xlsm file of
CORPUS_DIR/MANIFEST.tsv marked `ok`, and over any WORKBOOK given, reads the same file with
openpyxl (cached formula values, not formulas), and compares: the date system, the sheet names
and kinds, the active sheet, every cell (kind and value), and the defined names openpyxl lists
(full name and, for a single area on a worksheet, the area). Exits 1 on any difference.

Files openpyxl itself cannot read are listed in OPENPYXL_CANNOT_READ with the reason; the C++
unit tests check those files instead.
"""
import csv
import datetime
import os
import re
import shutil
import sys
import tempfile
import warnings

warnings.simplefilter("ignore")
import openpyxl  # noqa: E402
from openpyxl.utils import datetime as xldate  # noqa: E402
from openpyxl.utils.cell import range_boundaries  # noqa: E402
from tab_lines import ERROR_TEXTS, differing_cells, read_dump, report  # noqa: E402

OPENPYXL_CANNOT_READ = {
    # Its workbook part lives under wtf/ rather than xl/: openpyxl looks only for xl/.
    "xlsx/sheetjs_wtf_path.xlsx": "workbook part outside xl/",
    # Cells of type "d" (ISO dates): openpyxl 3.0.9 stops with an IndexError.
    "xlsx/sheetjs_xlsx-stream-d-date-cell.xlsx": "cells of type d",
    # Strict namespaces: openpyxl 3.0.9 finds no sheets at all.
    "xlsx/sheetjs_sheet_visibility_strict.xlsx": "Strict Open XML namespaces",
}

# Where openpyxl and the engine read the same cell differently on purpose:
# - openpyxl takes the one-letter formats "D", "H", "S" and elapsed-time formats ("[HH]") for
#   plain numbers; they show a day, an hour, a second or a duration, so the engine reads dates;
# - openpyxl leaves the _xHHHH_ escapes of texts undecoded (it only drops "x005F_"), so the
#   expected texts are decoded here;
# - openpyxl reads a formula whose cached result is empty text as an empty cell; either reads
#   as the empty text.
ELAPSED = re.compile(r"\[(h+|m+|s+)\]", re.IGNORECASE)


def openpyxl_misses_date(number_format):
    return number_format.upper() in ("D", "H", "S") or bool(ELAPSED.search(number_format))


def decode_escapes(text):
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def quote_sheet(name):
    plain = name and not name[0].isdigit() and all(c.isalnum() or c in "_." for c in name)
    return name if plain else "'" + name.replace("'", "''") + "'"


def expected_cell(cell):
    """The (kind, value) the engine should report for an openpyxl cell, or None for empty."""
    v = cell.value
    if v is None:
        return None
    if cell.data_type == "e":
        return ("error", v if v in ERROR_TEXTS | {"#GETTING_DATA"} else "#N/A")
    if isinstance(v, bool):
        return ("bool", 1.0 if v else 0.0)
    if isinstance(v, (int, float)):
        return ("date" if openpyxl_misses_date(cell.number_format) else "number", float(v))
    if isinstance(v, (datetime.datetime, datetime.date, datetime.time, datetime.timedelta)):
        return ("date", float(xldate.to_excel(v)))
    return ("text", decode_escapes(str(v)))


def expected_name_target(wb, dn):
    """The area of a defined name that is a single area on a worksheet, else None."""
    try:
        dests = list(dn.destinations)
    except Exception:
        return None
    if len(dests) != 1 or "," in dn.attr_text:
        return None
    title, ref = dests[0]
    if title not in wb.sheetnames or not ref:
        return None
    index = wb.sheetnames.index(title)
    if not isinstance(wb[title], openpyxl.worksheet.worksheet.Worksheet):
        return None
    ref = ref.replace("$", "")
    try:
        c1, r1, c2, r2 = range_boundaries(ref)
    except Exception:
        return None
    if c1 is None:  # whole rows
        c1, c2 = 1, 16384
    if r1 is None:  # whole columns
        r1, r2 = 1, 1048576
    return (index, r1 - 1, c1 - 1, r2 - 1, c2 - 1)


def same(ours, theirs):
    """Whether the engine reads a cell as openpyxl does; the empty text reads as no cell."""
    if theirs is None or ours is None or ours[0] != theirs[0]:
        return ours == ("text", "") and theirs is None
    if ours[0] == "date":
        return abs(ours[1] - theirs[1]) < 1e-8
    return ours[1] == theirs[1]


def compare(program, path):
    problems = []
    ours = read_dump(program, path)
    if ours["error"]:
        return ["engine raised %d: %s" % ours["error"]]
    if path.lower().endswith((".xlsx", ".xlsm")):
        wb = openpyxl.load_workbook(path, data_only=True)
    else:
        # openpyxl goes by the file name: an .xlsx saved under another name is copied first.
        with tempfile.TemporaryDirectory() as tmp:
            copy = os.path.join(tmp, "copy.xlsx")
            shutil.copyfile(path, copy)
            wb = openpyxl.load_workbook(copy, data_only=True)
    if ours["date1904"] != (wb.epoch == xldate.CALENDAR_MAC_1904):
        problems.append("date system differs")
    theirs_sheets = [(ws.title, "chart" if isinstance(ws, openpyxl.chartsheet.Chartsheet)
                      else "worksheet") for ws in wb._sheets]
    if ours["sheets"] != theirs_sheets:
        problems.append("sheets: engine %r, openpyxl %r" % (ours["sheets"], theirs_sheets))
    if ours["active"] != wb._active_sheet_index and wb._active_sheet_index < len(wb._sheets):
        problems.append("active sheet: engine %d, openpyxl %d" % (ours["active"], wb._active_sheet_index))

    expected = {}
    for index, ws in enumerate(wb._sheets):
        if not isinstance(ws, openpyxl.worksheet.worksheet.Worksheet):
            continue
        # The stored cells only: iterating rows would create every cell of a sheet whose
        # dimension claims the whole grid.
        for (row, column), cell in ws._cells.items():
            e = expected_cell(cell)
            if e is not None:
                expected[(index, row - 1, column - 1)] = e
    for key, a, b in differing_cells(ours["cells"], expected, same)[:20]:
        problems.append("cell %s: engine %r, openpyxl %r" % (key, a, b))

    our_names = {full: target for full, _, _, target in ours["names"]}
    for dn in wb.defined_names.definedName:
        local = dn.name[6:] if dn.name.startswith("_xlnm.") else dn.name
        full = local
        if dn.localSheetId is not None and int(dn.localSheetId) < len(wb._sheets):
            full = quote_sheet(wb._sheets[int(dn.localSheetId)].title) + "!" + local
        if full not in our_names:
            problems.append("name %s: missing from the engine" % full)
            continue
        want = expected_name_target(wb, dn)
        if our_names[full] != want:
            problems.append("name %s (%s): engine %r, openpyxl %r" % (full, dn.attr_text, our_names[full], want))
    return problems


def main():
    program, corpus = sys.argv[1], sys.argv[2]
    files = []
    with open(os.path.join(corpus, "MANIFEST.tsv"), encoding="utf-8") as manifest:
        for row in csv.DictReader(manifest, delimiter="\t"):
            if row["file"].startswith("xlsx/") and row["expected"] == "ok" \
                    and row["file"] not in OPENPYXL_CANNOT_READ:
                files.append((row["file"], os.path.join(corpus, row["file"])))
    files += [(os.path.basename(p), p) for p in sys.argv[3:]]
    return report(((label, compare(program, path)) for label, path in files),
                  "openpyxl reads them")


if __name__ == "__main__":
    sys.exit(main())
