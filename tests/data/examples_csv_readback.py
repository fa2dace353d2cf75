"""The bundled examples filed under en_GB, de_DE and fr_FR, with "," and ";" as separator, read
back with Python's csv module: every line has the header's field count, and the values are the
locale's own texts (so a decimal comma never splits a value in two).

Usage: examples_csv_readback.py SHEAVER_CLI EXAMPLES_DIR
"""
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile

CASES = [  # settings file, data file, input directory, output directory, records
    ("Settings/Example.set", "Timesheets.csv", "forms", "processed", 84),
    ("Settings/Expenses.set", "Expenses.csv", "claims", "processed-claims", 30),
]
# Locale, the Hours value of the first timesheet record, its day.
LOCALES = [("en_GB", "7.50", "01/01/2024"), ("de_DE", "7,50", "01.01.2024"),
           ("fr_FR", "7,50", "01/01/2024")]


def file_examples(cli, examples, locale, separator, settings, out_dir):
    work = tempfile.mkdtemp(prefix="sheaver-readback-")
    try:
        shutil.copytree(examples, work, dirs_exist_ok=True)
        os.mkdir(os.path.join(work, out_dir))
        env = dict(os.environ, SHEAVER_LOCALE=locale)
        subprocess.run([cli, "--open", settings, "--quiet", "--separator", separator, "--bom"],
                       cwd=work, env=env, check=True)
        return work
    except BaseException:
        shutil.rmtree(work)
        raise


def main():
    cli, examples = sys.argv[1], sys.argv[2]
    failures = []
    for locale, hours, day in LOCALES:
        for separator in (",", ";"):
            for settings, data, _, out_dir, records in CASES:
                work = file_examples(cli, examples, locale, separator, settings, out_dir)
                try:
                    with open(os.path.join(work, data), "rb") as f:
                        raw = f.read()
                finally:
                    shutil.rmtree(work)
                what = f"{locale} {separator!r} {data}"
                if not raw.startswith(b"\xef\xbb\xbf"):
                    failures.append(f"{what}: no byte-order mark")
                rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""),
                                       delimiter=separator))
                width = len(rows[0])
                bad = [i + 1 for i, row in enumerate(rows) if len(row) != width]
                if bad:
                    failures.append(f"{what}: lines {bad[:5]} do not have {width} fields")
                if len(rows) - 1 != records:
                    failures.append(f"{what}: {len(rows) - 1} records, not {records}")
                if data == "Timesheets.csv" and rows[1] != ["17", day, hours]:
                    failures.append(f"{what}: first record {rows[1]}")
                if data == "Expenses.csv" and rows[1][1] != "Amélie Durand":
                    failures.append(f"{what}: claimant {rows[1][1]!r}")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
