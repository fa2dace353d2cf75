#!/usr/bin/python3
"""Writes greek95_no_codepage.xls: an Excel 5.0/95 workbook without a CODEPAGE record, whose texts
are in the code page its fonts' character set names.

It starts from a workbook Excel wrote, ../corpus/xls/sheetjs_biff5_defined_names_simple.xls
(SheetJS test files, Apache-2.0), whose CODEPAGE record says Windows-1253 and whose fonts have
the Greek character set (161). Two changes, each of the same length, so that no offset in the
compound file or the Book stream moves:
- the CODEPAGE record becomes a BACKUP record (0x0040) saying no backup;
- the workbook name "SheetJS" becomes the Greek word for total, and the sheet "Sheet1" the Greek
  for sheet 1, in Windows-1253. The NAME record comes before the FONT records and the BOUNDSHEET
  record after them, so a reader must know the fonts before it decodes the name.
Run from anywhere; needs only Python.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "corpus", "xls", "sheetjs_biff5_defined_names_simple.xls")
TARGET = os.path.join(HERE, "greek95_no_codepage.xls")

data = bytearray(open(SOURCE, "rb").read())


def replace_once(old, new):
    assert len(old) == len(new)
    at = data.find(old)
    assert at >= 0 and data.find(old, at + 1) < 0, "expected one %s" % old.hex()
    data[at:at + len(old)] = new


# CODEPAGE (0x0042), 2 bytes, 1253 -> BACKUP (0x0040), 2 bytes, 0.
replace_once(bytes.fromhex("42000200e504"), bytes.fromhex("400002000000"))
# The NAME record (0x0018) of the workbook name: flags, key, length 7, formula length 18, the
# sheet numbers and text lengths, then the name.
header = bytes.fromhex("180027000000000712000000000000000000")
replace_once(header + b"SheetJS", header + "Σύνολον".encode("cp1253"))
# The BOUNDSHEET record's visibility, sheet type and name length, then the name.
replace_once(b"\x00\x00\x06Sheet1", b"\x00\x00\x06" + "Φύλλο1".encode("cp1253"))
open(TARGET, "wb").write(data)
print("wrote", TARGET)
