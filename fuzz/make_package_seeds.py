#!/usr/bin/python3
"""Writes the seed inputs of the package fuzz targets (fuzz/seeds/xlsx, ods, xml) from small
workbooks of the test corpus: each seed is the parts a target names, joined with NUL bytes (see
package_fuzz.h), and a few whole packages are kept as they are."""
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "..", "tests", "data", "corpus")
XLSX_PARTS = ["[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
              "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/worksheets/sheet2.xml"]
ODS_PARTS = ["mimetype", "META-INF/manifest.xml", "content.xml", "settings.xml"]
XLSX = ["calamine_errors", "calamine_issue_174_gnumeric", "calamine_issues", "readxl_types",
        "sheetjs_defined_names_simple", "sheetjs_1904", "sheetjs_xlsx-stream-d-date-cell",
        "roo_boolean-from-google-sheets", "sheetjs_sheet_visibility_strict", "calamine_date_1904"]
ODS = ["calamine_covered", "calamine_date", "calamine_number_rows_repeated", "phpss_DefinedNames",
       "roo_named_cells", "sheetjs_merge_cells"]
LIMIT = 64 * 1024


def joined(path, names):
    with zipfile.ZipFile(path) as z:
        listing = {n.lower(): n for n in z.namelist()}
        parts = [z.read(listing[n.lower()]) if n.lower() in listing else b"" for n in names]
    return b"\0".join(p.replace(b"\0", b"") for p in parts)


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for kind, files, names, ext in (("xlsx", XLSX, XLSX_PARTS, ".xlsx"), ("ods", ODS, ODS_PARTS, ".ods")):
        folder = os.path.join(HERE, "seeds", kind)
        for f in files:
            path = os.path.join(CORPUS, kind, f + ext)
            data = joined(path, names)
            if len(data) <= LIMIT:
                write(folder, f, data)
            raw = open(path, "rb").read()
            if len(raw) <= 16 * 1024:
                write(folder, f + ".zip", raw)
        xml_folder = os.path.join(HERE, "seeds", "xml")
        for f in files[:3]:
            with zipfile.ZipFile(os.path.join(CORPUS, kind, f + ext)) as z:
                for n in names[2:5]:
                    if n in z.namelist():
                        data = z.read(n)[:8192]
                        write(xml_folder, f + "_" + n.replace("/", "_"), b"\x07" + data)


if __name__ == "__main__":
    main()
