"""Tab-separated lines whose fields escape tab, line feed, carriage return and backslash with a
backslash: what xls_dump prints for a workbook, and the fixtures' expected .tsv files. Shared by
the differential tests of the workbook readers and the fixture tools."""
import subprocess

# The error values every reader knows by name; any other reads as #N/A.
ERROR_TEXTS = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}

_ESCAPES = {"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}


def escape(s):
    s = str(s).replace("\\", "\\\\")
    return s.replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def unescape(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append(_ESCAPES[s[i + 1]])
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


def read_dump(program, path, password=None):
    """What the dump program reads from a workbook (opened with `password` when given):
    {"error": (number, description) or None, "date1904", "active", "sheets": [(name, kind)],
    "names": [(full name, scope, builtin, (sheet, r1, c1, r2, c2) or None)],
    "cells": {(sheet, row, col): (kind, value)}}, numbers and dates as floats."""
    extra = [] if password is None else ["--password", password]
    run = subprocess.run([program, path] + extra, capture_output=True, timeout=120)
    if run.returncode != 0:
        raise RuntimeError("%s exited %d: %s"
                           % (program, run.returncode, run.stderr.decode()[-400:]))
    book = {"error": None, "date1904": False, "active": 0, "sheets": [], "names": [], "cells": {}}
    # Lines end at "\n" only: str.splitlines would also cut at the separators a text may hold.
    for line in run.stdout.decode("utf-8").split("\n"):
        f = [unescape(x) for x in line.split("\t")]
        if f[0] == "ERROR":
            book["error"] = (int(f[1]), f[2])
        elif f[0] == "BOOK":
            book["date1904"], book["active"] = f[2] == "1904", int(f[3])
        elif f[0] == "SHEET":
            book["sheets"].append((f[3], f[2]))
        elif f[0] == "CELL":
            value = f[5] if f[4] in ("text", "error") else float.fromhex(f[5])
            book["cells"][(int(f[1]), int(f[2]), int(f[3]))] = (f[4], value)
        elif f[0] == "NAME":
            target = tuple(int(x) for x in f[6:11]) if f[5] == "RANGE" else None
            book["names"].append((f[1], int(f[2]), f[3] == "1", target))
    return book


def differing_cells(mine, theirs, same):
    """(key, ours, theirs) for each cell of either reader that `same(ours, theirs)` says the
    two read differently; None stands for a cell a reader does not have."""
    keys = sorted(set(mine) | set(theirs))
    return [(k, mine.get(k), theirs.get(k)) for k in keys if not same(mine.get(k), theirs.get(k))]


def report(results, oracle):
    """Prints each (label, problems) of a comparison with `oracle` as it comes, then a summary;
    returns the exit code: 1 when any workbook differs."""
    failed = total = 0
    for label, problems in results:
        total += 1
        print("%-55s %s" % (label, "DIFFERENT" if problems else "same"))
        for p in problems:
            print("    " + p)
        failed += bool(problems)
    print("%d of %d workbooks read the same as %s" % (total - failed, total, oracle))
    return 1 if failed else 0
