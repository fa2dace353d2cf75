"""Data files imported by headless LibreOffice, as a user in that locale opens them: the example
timesheets filed under en_GB (","), de_DE and fr_FR (";", byte-order mark) come in as numbers and
dates, and a form's formula-like text filed with --neutralise-formulas comes in as text, not as a
live formula. Skips (exit 77) where LibreOffice is not installed.

Usage: libreoffice_import.py SHEAVER_CLI EXAMPLES_DIR
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
# Locale, separator, LibreOffice's language id for the import.
LOCALES = [("en_GB", ",", 2057), ("de_DE", ";", 1031), ("fr_FR", ";", 1036)]
FORMULA = '=HYPERLINK("http://example.org","click")'


def main():
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("LibreOffice (soffice) is not installed: import test skipped")
        sys.exit(SKIP)
    import openpyxl

    cli, examples = sys.argv[1], sys.argv[2]
    failures = []
    work = tempfile.mkdtemp(prefix="sheaver-lo-")
    try:
        # A form whose text cell holds a formula, as an outsider might type it.
        book = openpyxl.Workbook()
        cell = book.active["A1"]
        cell.value = FORMULA
        cell.data_type = "s"
        os.mkdir(os.path.join(work, "formula"))
        book.save(os.path.join(work, "formula", "form.xlsx"))
        with open(os.path.join(work, "formula.dat"), "w", newline="") as f:
            f.write('1,3\r\n"Link","A1","text"\r\n')

        for locale, separator, language in LOCALES:
            folder = os.path.join(work, locale)
            os.mkdir(folder)
            env = dict(os.environ, SHEAVER_LOCALE=locale)
            options = ["--separator", separator, "--bom", "--neutralise-formulas", "--quiet"]
            subprocess.run([cli, "--type", os.path.join(examples, "FormTypes", "Timesheet.dat"),
                            "--in", os.path.join(examples, "forms"),
                            "--data", os.path.join(folder, "timesheets.csv")] + options,
                           env=env, check=True)
            subprocess.run([cli, "--type", os.path.join(work, "formula.dat"),
                            "--in", os.path.join(work, "formula", "*.xlsx"),
                            "--data", os.path.join(folder, "formula.csv")] + options,
                           env=env, check=True)
            token = f"CSV:{ord(separator)},34,76,1,,{language}"
            subprocess.run([soffice, "--headless", "--norestore",
                            f"-env:UserInstallation=file://{work}/profile",
                            f"--infilter={token}", "--convert-to", "xlsx", "--outdir", folder,
                            os.path.join(folder, "timesheets.csv"),
                            os.path.join(folder, "formula.csv")],
                           check=True, stdout=subprocess.DEVNULL, timeout=180)

            sheet = openpyxl.load_workbook(os.path.join(folder, "timesheets.xlsx")).active
            row = [c.value for c in sheet[2]]
            if row[0] != 17 or not isinstance(row[1], datetime.datetime) or \
                    row[1].date() != datetime.date(2024, 1, 1) or row[2] != 7.5:
                failures.append(f"{locale}: first record imported as {row!r}")
            if sheet.max_column != 3 or sheet.max_row != 85:
                failures.append(f"{locale}: {sheet.max_row} rows of {sheet.max_column} columns")
            link = openpyxl.load_workbook(os.path.join(folder, "formula.xlsx")).active["A2"]
            if link.data_type == "f" or not isinstance(link.value, str) or \
                    FORMULA not in link.value:
                failures.append(f"{locale}: neutralised text imported as {link.data_type} "
                                f"{link.value!r}")
    finally:
        shutil.rmtree(work)
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
