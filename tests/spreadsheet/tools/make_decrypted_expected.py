#!/usr/bin/python3
"""Writes what LibreOffice reads from each encrypted corpus workbook, opened with its password,
as tests/data/decrypted/<file>.tsv: one line per non-empty cell, `sheet name, row, column, kind
(number or text), value` (numbers, dates and booleans as numbers; row and column from 0).
compare_with_xlrd.py holds the engine to these files.

Usage: make_decrypted_expected.py   (needs LibreOffice, python3-uno and python3-msoffcrypto-tool;
run from anywhere)

The files and their passwords are the MANIFEST's, as compare_with_xlrd.py finds them.
"""
import os
import sys
import tempfile

import uno

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import csv  # noqa: E402

from compare_with_xlrd import encrypted_files  # noqa: E402
from compare_with_xlrd import xlrd  # noqa: E402,F401  (the same interpreter as the test)
from office_uno import prop, start_office, stop_office  # noqa: E402
from tab_lines import escape  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "data"))


def decrypt_with_msoffcrypto(path, password, target):
    import msoffcrypto  # python3-msoffcrypto-tool
    with open(path, "rb") as f, open(target, "wb") as out:
        office = msoffcrypto.OfficeFile(f)
        office.load_key(password=password)
        office.decrypt(out)


def cell_lines(doc):
    from com.sun.star.table.CellContentType import EMPTY, TEXT, FORMULA
    lines = []
    sheets = doc.getSheets()
    for i in range(sheets.getCount()):
        sheet = sheets.getByIndex(i)
        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        last = cursor.getRangeAddress()
        for r in range(last.EndRow + 1):
            for c in range(last.EndColumn + 1):
                cell = sheet.getCellByPosition(c, r)
                kind = cell.getType()
                if kind == EMPTY:
                    continue
                if kind == FORMULA:
                    # 1 value, 2 text (com.sun.star.sheet.FormulaResult)
                    is_text = cell.FormulaResultType2 == 2
                else:
                    is_text = kind == TEXT
                value = cell.getString() if is_text else repr(cell.getValue())
                lines.append("\t".join([escape(sheet.getName()), str(r), str(c),
                                        "text" if is_text else "number", escape(value)]))
    return lines


def main():
    corpus = os.path.join(DATA, "corpus")
    out_dir = os.path.join(DATA, "decrypted")
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as profile:
        office, _, desktop = start_office(profile, "decrypted")
        try:
            with open(os.path.join(corpus, "MANIFEST.tsv"), encoding="utf-8") as f:
                encrypted = encrypted_files(csv.DictReader(f, delimiter="\t"))
            for rel, password in sorted(encrypted.items()):
                url = uno.systemPathToFileUrl(os.path.join(corpus, rel))
                args = [prop("Hidden", True)]
                if password is not None:
                    args.append(prop("Password", password))
                doc = desktop.loadComponentFromURL(url, "_blank", 0, tuple(args))
                if doc is None:
                    # LibreOffice 7.4 refuses some RC4 CryptoAPI workbooks (Excel 2002's "strong"
                    # provider): msoffcrypto-tool decrypts them, and LibreOffice reads the copy.
                    plain = os.path.join(profile, "plain-" + os.path.basename(rel))
                    decrypt_with_msoffcrypto(os.path.join(corpus, rel), password, plain)
                    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(plain), "_blank", 0,
                                                       (prop("Hidden", True),))
                if doc is None:
                    sys.exit("LibreOffice could not open %s with its password" % rel)
                lines = cell_lines(doc)
                doc.close(True)
                target = os.path.join(out_dir, os.path.basename(rel) + ".tsv")
                with open(target, "w", encoding="utf-8", newline="\n") as f:
                    f.write("".join(line + "\n" for line in lines))
                print("%s: %d cells" % (target, len(lines)))
        finally:
            stop_office(office, desktop)


if __name__ == "__main__":
    main()
