#!/usr/bin/python3
"""Writes the workbooks the extraction tests read (tests/data/extract/*.xls).

Each workbook is built with openpyxl and saved as Excel 97-2003 by LibreOffice, which also
stores the cached results of formulas. Run with the system Python from anywhere:
    tests/data/extract/make_workbooks.py
Needs python3-openpyxl and LibreOffice (soffice).
"""

import datetime
import os
import shutil
import subprocess
import tempfile

from openpyxl import Workbook
from openpyxl.workbook.defined_name import DefinedName

HERE = os.path.dirname(os.path.abspath(__file__))


def week():
    """A timesheet: staff number, week start, a column of hours, a row of day names, a block,
    awkward texts, an error value, and defined names of both scopes."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Timesheet"
    ws["A1"] = "Timesheet title"
    ws["B2"] = 42
    ws["B3"] = datetime.datetime(2024, 1, 1)
    ws["B3"].number_format = "DD/MM/YYYY"
    ws["B4"] = 'He said "hi", then\nleft'
    ws["B5"] = "=1/0"
    ws["B6"] = "n/a"
    for row, hours in zip(range(6, 11), [8, 7.5, 8, 8, 6.25]):
        ws.cell(row=row, column=3, value=hours)
    for col, day in enumerate(["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"], start=2):
        ws.cell(row=14, column=col, value=day)
    for row in range(6, 9):
        ws.cell(row=row, column=9, value=datetime.datetime(2024, 1, row - 5))
        ws.cell(row=row, column=9).number_format = "DD/MM/YYYY"
    ws["E2"], ws["F2"], ws["G2"] = 1, 2, 3
    ws["E3"], ws["F3"], ws["G3"] = 4, 5, 6
    extra = wb.create_sheet("Extra")
    extra["A1"] = "from extra"
    extra["B2"] = 99
    names = [
        DefinedName("WeekStart", attr_text="Timesheet!$B$3"),
        DefinedName("Hours", attr_text="Timesheet!$C$6:$C$12"),
        DefinedName("DayRow", attr_text="Timesheet!$B$14:$H$14"),
        DefinedName("Dates", attr_text="Timesheet!$I$6:$I$8"),
        DefinedName("Block", attr_text="Timesheet!$E$2:$G$3"),
        DefinedName("FarCell", attr_text="Extra!$B$2"),
        DefinedName("Rate", attr_text="0.5"),
        DefinedName("Local", localSheetId=1, attr_text="Extra!$A$1"),
    ]
    for n in names:
        if n is not None:
            wb.defined_names.append(n)
    wb.active = 0
    return wb


def second_active():
    """Two sheets, the second one active."""
    wb = Workbook()
    first = wb.active
    first.title = "First"
    first["A1"] = "first sheet"
    first["B2"] = 1
    second = wb.create_sheet("Second")
    second["A1"] = "second sheet"
    second["B2"] = 2
    wb.active = 1
    for ws in wb.worksheets:
        ws.sheet_view.tabSelected = ws.title == "Second"
    return wb


BOOKS = {"week": week, "second_active": second_active}


def main():
    work = tempfile.mkdtemp(prefix="sheaver-extract-")
    try:
        for name, build in BOOKS.items():
            xlsx = os.path.join(work, name + ".xlsx")
            build().save(xlsx)
            subprocess.run(["soffice", "--headless", "--convert-to", "xls:MS Excel 97",
                            "--outdir", work, xlsx], check=True, stdout=subprocess.DEVNULL)
            shutil.copy(os.path.join(work, name + ".xls"), os.path.join(HERE, name + ".xls"))
            print("wrote", name + ".xls")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
