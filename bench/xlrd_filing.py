#!/usr/bin/python3
"""Files forms the way sheaver-cli does, with python3-xlrd: the peer of the filing benchmark.

For every *.xls of the input directory, in name order: read the form type, open the workbook,
resolve each field (a defined name, else a cell or range of the active sheet), format each value
(text, 0, 0.0, 0.00, 0.000, dmy, mdy, ymd, with "+" adding the record index), append the header
when the data file is new and then one line per record, each line with its own open, write and
close, and move the workbook to the output directory.

Usage: xlrd_filing.py FORMTYPE INDIR OUTDIR DATAFILE   (prints "workbooks=N records=M")
"""
import csv
import datetime
import os
import re
import sys

import xlrd

CELL = re.compile(r"^\$?([A-Za-z]{1,3})\$?(\d+)$")


def read_form_type(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, skipinitialspace=True))
    count = int(rows[0][0])
    return [(r + ["", "", ""])[:3] for r in rows[1:1 + count]]


def col_index(letters):
    n = 0
    for ch in letters.upper():
        n = n * 26 + ord(ch) - 64
    return n - 1


def parse_area(ref):
    corners = ref.split(":")
    cells = [CELL.match(c) for c in corners]
    if not 1 <= len(cells) <= 2 or not all(cells):
        return None
    rows = [int(m.group(2)) - 1 for m in cells]
    cols = [col_index(m.group(1)) for m in cells]
    return min(rows), min(cols), max(rows), max(cols)


def resolve(book, sheet, names, ref):
    """(sheet, first_row, first_col, last_row, last_col) for a reference."""
    hit = names.get(ref.lower())
    if hit is not None:
        name_sheet, r0, r1, c0, c1 = hit.area2d(clipped=False)
        return name_sheet, r0, c0, r1 - 1, c1 - 1
    area = parse_area(ref)
    if area is None:
        area = (0, 0, 0, 0)
    return (sheet,) + area


def cell_text(book, sheet, r, c):
    if r >= sheet.nrows or c >= sheet.row_len(r):
        return ""
    cell = sheet.cell(r, c)
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return cell.value
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        v = cell.value
        return str(int(v)) if v == int(v) else repr(v)
    if cell.ctype == xlrd.XL_CELL_DATE:
        y, m, d, *_ = xlrd.xldate_as_tuple(cell.value, book.datemode)
        return "%02d/%02d/%04d" % (d, m, y)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return "True" if cell.value else "False"
    if cell.ctype == xlrd.XL_CELL_ERROR:
        raise ValueError("Type mismatch")
    return ""


def text_for(book, rng, index):
    sheet, r0, c0, r1, c1 = rng
    if r0 == r1:
        pos = 0 if c0 == c1 else index
        return cell_text(book, sheet, r0, c0 + pos) if pos <= c1 - c0 else ""
    if c0 == c1:
        return cell_text(book, sheet, r0 + index, c0) if index <= r1 - r0 else ""
    return ""


def format_value(text, code, index):
    plus = code.startswith("+")
    if plus:
        code = code[1:]
    code = code.lower()
    if code == "text":
        return '"' + text.replace('"', '""') + '"'
    if code in ("0", "0.0", "0.00", "0.000"):
        m = re.match(r"\s*[-+]?\d*\.?\d*", text)
        try:
            value = float(m.group(0)) if m and m.group(0).strip() not in ("", "+", "-", ".") else 0.0
        except ValueError:
            value = 0.0
        if plus:
            value += index
        return "%.*f" % (len(code) - 2 if "." in code else 0, value)
    if code in ("dmy", "mdy", "ymd"):
        d, m, y = (int(x) for x in text.split(" ")[0].split("/"))
        date = datetime.date(y, m, d) + datetime.timedelta(days=index if plus else 0)
        if code == "dmy":
            return date.strftime("%d/%m/%Y")
        if code == "mdy":
            return date.strftime("%m/%d/%Y")
        return date.strftime("%Y%m%d")
    return text


def append_line(path, text):
    with open(path, "ab") as f:
        f.write(text.encode("utf-8") + b"\r\n")


def file_workbook(path, fields, data_file):
    book = xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
    sheet = next((s for s in book.sheets() if s.sheet_visible and s.sheet_selected),
                 book.sheet_by_index(0))
    names = {n.name.lower(): n for n in book.name_obj_list}
    ranges = [resolve(book, sheet, names, ref) for _, ref, _ in fields]
    count = max(max(r1 - r0 + 1, c1 - c0 + 1) for _, r0, c0, r1, c1 in ranges)
    if not os.path.isfile(data_file):
        append_line(data_file, ",".join(name for name, _, _ in fields))
    for j in range(count):
        append_line(data_file, ",".join(
            format_value(text_for(book, rng, j), code, j) for rng, (_, _, code) in zip(ranges, fields)))
    return count


def main():
    form_type, in_dir, out_dir, data_file = sys.argv[1:5]
    workbooks = records = 0
    while True:
        names = sorted((n for n in os.listdir(in_dir) if n.lower().endswith(".xls")),
                       key=str.lower)[:100]
        if not names:
            break
        for name in names:
            source = os.path.join(in_dir, name)
            fields = read_form_type(form_type)
            records += file_workbook(source, fields, data_file)
            target = os.path.join(out_dir, name)
            if os.path.isfile(target):
                os.remove(target)
            os.rename(source, target)
            workbooks += 1
    print("workbooks=%d records=%d" % (workbooks, records))


if __name__ == "__main__":
    main()
