#!/usr/bin/python3
"""Differential test of the workbook engine against python3-xlrd over the real-world corpus.

Usage: compare_with_xlrd.py XLS_DUMP CORPUS_DIR

For every corpus file the MANIFEST marks `ok` and that holds a BIFF workbook, every cell of
every worksheet must read the same in both (kind and value: numbers exactly or to the last
unit in the last place, dates as serials in the 1900 system, durations as they stand, texts
exactly), the worksheets must match by name and order, and every defined name that xlrd
resolves to one area of one sheet must resolve to the same area here. Every other file must give the error number and phrase of
EXPECTED_ERRORS below. Exits 1 on any difference.
"""
import csv
import math
import os
import re
import sys

import xlrd

from tab_lines import differing_cells, read_dump, unescape

# Files marked otherwise than `ok`, and the .xlsx/.ods files this reader does not read yet:
# error number and a phrase of the description.
EXPECTED_ERRORS = {
    "odd/calamine_OOM_alloc3.xls": (1005, "past the end of the file"),
    "odd/calamine_too_small.xls": (1005, "plain text"),
    "odd/phpss_oleloop.xls": (1005, "belongs to both"),
    "odd/phpss_pr.4687.excel.badendian.xls": (1005, "byte-order mark"),
    "odd/poi_clusterfuzz-4819588401201152.xls": (1005, "more than the file"),
    "odd/poi_clusterfuzz-5175219985448960.xls": (1005, "past the end of the directory"),
    "odd/pycal_empty_file.xlsx": (1005, "the file is empty"),
    "odd/phpss_spreadsheetml_excel2003.iso8859-1.xls": (1005, "XML spreadsheet"),
    "odd/sheetjs_spreadsheetml_defined_names_simple.xls": (1005, "XML spreadsheet"),
    "odd/sheetjs_csv_text_and_numbers.xls": (1005, "comma-separated text (CSV)"),
    "odd/sheetjs_html_crlf.xls": (1005, "HTML"),
    "odd/sheetjs_html_row_height.xls": (1005, "HTML"),
    "odd/sheetjs_sylk_write.xls": (1005, "SYLK"),
}

# Files the MANIFEST marks corrupt that open here on purpose: the small-sector stream's chain
# runs on into the Workbook stream's sectors, but each stream's own extent (its size) is whole
# and distinct, so the data are intact. xlrd refuses them unless told to ignore the overlap.
# Zip-packaged workbooks (.xlsx, .ods, and the two saved under an .xls name): they must open;
# their cells are compared with openpyxl and LibreOffice by compare_with_openpyxl.py and
# compare_with_csv.py.
PACKAGED_ELSEWHERE = {"odd/rooxls_type_excelx.xls", "odd/rooxls_type_openoffice.xls"}

OPEN_DESPITE_MANIFEST = {
    "odd/sheetjs_phpexcel_bad_cfb_dir.xls",
    "odd/xlrd_corrupted_error.xls",
}

MAX_SERIAL = 2958466.0

# Encrypted workbooks: the MANIFEST marks them `password`, naming the password in their
# features (password-'letmein'), or `ok` with default-password when Excel's default one opens
# them. Their cells are compared with what LibreOffice reads from them, opened with the password
# (tests/data/decrypted/, written by make_decrypted_expected.py); without the password, and with
# a wrong one, they must give error 1006 saying which.
PASSWORD = re.compile(r"password-'([^']*)'")
PROTECTION = {
    "odd/calamine_pass_protected.xlsx": "agile encryption",
    "odd/phpss_pwtest2.xls": "(RC4 encryption)",
    "odd/phpss_pwtest_velvetsweatshop.xls": None,
    "odd/poi_35897-type4.xls": "(RC4 CryptoAPI encryption)",
    "odd/poi_password.xls": "(RC4 encryption)",
    "odd/poi_protected_passtika.xlsx": "standard encryption",
    "odd/poi_xor-encryption-abc.xls": "(XOR obfuscation)",
    "odd/roo_encrypted-letmein.ods": "OpenDocument",
    "odd/sheetjs_biff5_password_2002_40_xor.xls": "(XOR obfuscation)",
    "odd/sheetjs_password_2002_128_enhanced.xls": "(RC4 CryptoAPI encryption)",
    "odd/sheetjs_password_2002_128_strong.xls": "(RC4 CryptoAPI encryption)",
    "odd/sheetjs_password_2002_40_basecrypto.xls": "(RC4 CryptoAPI encryption)",
    "odd/sheetjs_password_2002_40_dss.xls": "(RC4 CryptoAPI encryption)",
    "odd/sheetjs_password_2002_40_972000.xls": "(RC4 encryption)",
    "odd/sheetjs_password_2002_40_xor.xls": "(XOR obfuscation)",
}
WRONG_PASSWORD = "not-the-password"


def encrypted_files(rows):
    """{file: password or None (Excel's default)} for the encrypted workbooks of the MANIFEST."""
    out = {}
    for row in rows:
        found = PASSWORD.search(row["features"])
        if row["expected"] == "password" and found:
            out[row["file"]] = found.group(1)
        elif "default-password" in row["features"]:
            out[row["file"]] = None
    return out


def read_expected(path):
    """The cells of a decrypted/*.tsv file: {(sheet name, row, col): value}."""
    cells = {}
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if not line:
                continue
            sheet, r, c, kind, value = [unescape(x) for x in line.split("\t")]
            cells[(sheet, int(r), int(c))] = value if kind == "text" else float(value)
        return cells


def compare_encrypted(tool, rel, path, password, decrypted_dir, problems, stats):
    """The workbook opened with its password reads as LibreOffice reads it; without it (unless
    Excel's default opens it) and with a wrong one it is error 1006 saying which."""
    how = PROTECTION.get(rel)
    if password is not None:
        for given, phrase in ((None, "none was given"),
                              (WRONG_PASSWORD, "the password given does not open it")):
            got = read_dump(tool, path, given)["error"]
            if not got or got[0] != 1006 or phrase not in got[1] or (how and how not in got[1]):
                problems.append("%s: with %s, expected error 1006 (%s, %r), got %r"
                                % (rel, "a wrong password" if given else "no password", how, phrase,
                                   got))
    ours = read_dump(tool, path, password)
    if ours["error"]:
        problems.append("%s: expected to open with its password, got error %d: %s"
                        % (rel, *ours["error"]))
        return
    names = [name for name, kind in ours["sheets"]]
    mine = {}
    for (sheet, r, c), (kind, value) in ours["cells"].items():
        if kind == "bool":
            kind = "number"
        mine[(names[sheet], r, c)] = value if kind in ("text", "error") else float(value)
    theirs = read_expected(os.path.join(decrypted_dir, os.path.basename(rel) + ".tsv"))
    differences = differing_cells(mine, theirs, lambda a, b: a == b)
    for key, a, b in differences[:5]:
        problems.append("%s: cell %r: ours %r, LibreOffice %r" % (rel, key, a, b))
    stats["decrypted"] += 1
    stats["cells"] += len(theirs)

# A date cell whose format shows elapsed time ([h]:mm) holds a duration, which a 1904-system
# workbook does not shift.
ELAPSED = re.compile(r"\[(h+|m+|s+)\]", re.IGNORECASE)


def same(ours, theirs):
    """The same kind, and the same text, or numbers equal to the last unit in the last place."""
    if ours is None or theirs is None or ours[0] != theirs[0]:
        return False
    a, b = ours[1], theirs[1]
    if ours[0] in ("number", "date", "bool"):
        return a == b or abs(a - b) <= math.ulp(max(abs(a), abs(b)))
    return a == b


def durations_of(path, bk):
    """For a 1904-system workbook, a test of whether a sheet's cell shows a duration; xlrd gives
    cell formats only when opened with formatting_info, so such a workbook is opened twice."""
    if bk.datemode != 1:
        return lambda sheet_index, r, c: False
    fbk = xlrd.open_workbook(path, formatting_info=True, logfile=open("/dev/null", "w"))

    def is_duration(sheet_index, r, c):
        xf = fbk.xf_list[fbk.sheet_by_index(sheet_index).cell_xf_index(r, c)]
        return bool(ELAPSED.search(fbk.format_map[xf.format_key].format_str))
    return is_duration


def xlrd_cells(bk, sheet, sheet_index, is_duration):
    kinds = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "date",
             xlrd.XL_CELL_BOOLEAN: "bool", xlrd.XL_CELL_ERROR: "error"}
    for r in range(sheet.nrows):
        for c in range(sheet.row_len(r)):
            t = sheet.cell_type(r, c)
            if t in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                continue
            v = sheet.cell_value(r, c)
            kind = kinds[t]
            if kind == "date":
                if bk.datemode == 1 and not is_duration(sheet_index, r, c):
                    v += 1462.0
                if not (0 <= v < MAX_SERIAL):  # not a representable date: reads as a number
                    kind, v = "number", sheet.cell_value(r, c)
            elif kind == "error":
                v = xlrd.error_text_from_code.get(v, "#N/A")
            elif kind == "bool":
                v = float(v)
            yield (r, c), kind, v


def compare_ok(tool, rel, path, problems, stats):
    ours = read_dump(tool, path)
    if ours["error"]:
        problems.append("%s: expected to open, got error %d: %s" % (rel, *ours["error"]))
        return
    try:
        bk = xlrd.open_workbook(path, logfile=open("/dev/null", "w"))
    except Exception as e:  # xlrd rejects some files that Excel writes
        stats["xlrd_rejects"].append("%s (%s: %s)" % (rel, type(e).__name__, str(e)[:60]))
        stats["files"] += 1
        return
    our_sheets = [(i, name) for i, (name, kind) in enumerate(ours["sheets"]) if kind == "worksheet"]
    their_sheets = [s.name for s in bk.sheets()]
    if bk.biff_version < 50:
        # An Excel 2.x-4.x worksheet holds no sheet name; xlrd calls it "Sheet 1", the
        # spreadsheet application (and this reader) after the file.
        their_sheets = [os.path.splitext(os.path.basename(path))[0]]
    if [n for _, n in our_sheets] != their_sheets:
        problems.append("%s: worksheets differ: ours %r, xlrd %r" % (rel, [n for _, n in our_sheets], their_sheets))
        return
    differences = []
    is_duration = durations_of(path, bk)
    for their_index, ((index, name), sheet) in enumerate(zip(our_sheets, bk.sheets())):
        theirs = {(index, r, c): (kind, v)
                  for (r, c), kind, v in xlrd_cells(bk, sheet, their_index, is_duration)}
        mine = {k: v for k, v in ours["cells"].items() if k[0] == index}
        differences += differing_cells(mine, theirs, same)
        stats["cells"] += len(theirs)
    for key, a, b in differences[:5]:
        problems.append("%s: sheet %d cell (%d,%d): ours %r, xlrd %r" % (rel, key[0], key[1], key[2], a, b))
    if len(differences) > 5:
        problems.append("%s: ... %d differences in all" % (rel, len(differences)))
    # Names xlrd resolves to one area of one worksheet.
    sheet_index = {n: i for i, n in our_sheets}
    our_ranges = {}
    for full, scope, builtin, target in ours["names"]:
        our_ranges.setdefault((full.lower()), []).append(target)
    for nobj in bk.name_obj_list:
        res = nobj.result
        if res is None or res.kind != xlrd.oREF or len(res.value) != 1:
            continue
        ref = res.value[0]
        shx_lo, shx_hi, r_lo, r_hi, c_lo, c_hi = ref.coords
        if shx_hi - shx_lo != 1 or not (0 <= shx_lo < len(their_sheets)):
            continue
        if nobj.scope >= 0:
            prefix = bk.sheet_names()[nobj.scope]
            candidates = [k for k in our_ranges if k.endswith("!" + nobj.name.lower())
                          and k.rsplit("!", 1)[0].strip("'").replace("''", "'") == prefix.lower()]
        else:
            candidates = [nobj.name.lower()]
        want = (sheet_index[their_sheets[shx_lo]], r_lo, c_lo, min(r_hi, 65536) - 1, min(c_hi, 256) - 1)
        got = [t for k in candidates for t in our_ranges.get(k, [])]
        stats["names"] += 1
        if want not in got:
            problems.append("%s: name %r: ours %r, xlrd %r" % (rel, nobj.name, got, want))
    stats["files"] += 1


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    problems = []
    stats = {"files": 0, "cells": 0, "names": 0, "errors": 0, "decrypted": 0, "xlrd_rejects": []}
    with open(corpus + "/MANIFEST.tsv", encoding="utf-8") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    encrypted = encrypted_files(rows)
    decrypted_dir = os.path.join(os.path.dirname(os.path.abspath(corpus)), "decrypted")
    for row in rows:
        rel, expected = row["file"], row["expected"]
        path = corpus + "/" + rel
        if rel in encrypted:
            compare_encrypted(tool, rel, path, encrypted[rel], decrypted_dir, problems, stats)
        elif rel in EXPECTED_ERRORS:
            number, phrase = EXPECTED_ERRORS[rel]
            got = read_dump(tool, path)["error"]
            if not got or got[0] != number or phrase not in got[1]:
                problems.append("%s: expected error %d with %r, got %r" % (rel, number, phrase, got))
            stats["errors"] += 1
        elif expected == "ok" or rel in OPEN_DESPITE_MANIFEST or rel in PACKAGED_ELSEWHERE:
            if rel.startswith(("xlsx/", "ods/")) or rel in PACKAGED_ELSEWHERE:
                got = read_dump(tool, path)["error"]
                if got:
                    problems.append("%s: expected to open, got error %d: %s" % (rel, *got))
                continue
            compare_ok(tool, rel, path, problems, stats)
        else:
            problems.append("%s: marked %r but has no expected error here" % (rel, expected))
    print("compared %d workbooks (%d cells, %d names) with xlrd and %d encrypted ones with "
          "LibreOffice; %d files gave their expected error"
          % (stats["files"], stats["cells"], stats["names"], stats["decrypted"], stats["errors"]))
    for r in stats["xlrd_rejects"]:
        print("opened here, rejected by xlrd (cells not compared):", r)
    for p in problems:
        print("DIFFERENCE:", p)
    print("%d passed, %d failed" % (stats["files"] + stats["errors"], len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
