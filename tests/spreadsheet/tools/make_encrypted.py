#!/usr/bin/python3
"""Writes encrypted copies of a fixture workbook with LibreOffice into tests/data/encrypted/,
with the password PASSWORD: the .ods as ODF 1.2 writes it (AES-256 in CBC mode, SHA-256 start
key) and as ODF 1.1 did (Blowfish in CFB mode, SHA-1 start key), with the ODF 1.1 file also
saved without a password (cells.lo.odf11.ods: ODF 1.1 writes error values differently from the
fixture). The engine tests read each with the password and hold its cells to those of the
plain file, and the command-line tests file the timesheet form. (LibreOffice leaves .xls
and .xlsx files unencrypted when given a password this way; the encrypted .xls and .xlsx
workbooks are in the corpus.)

Usage: make_encrypted.py   (needs LibreOffice and python3-uno)
"""
import os
import sys
import tempfile

import uno

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office_uno import prop, start_office, stop_office  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "data"))
PASSWORD = "Fixture-Secret-42"

# (fixture, encrypted copy, LibreOffice filter, ODF version to write or None)
COPIES = [
    # The timesheet form the command-line tests file (tests/data/extract/week.xls), as an .ods.
    ("../extract/week.xls", "week.aes.ods", "calc8", None),
    ("cells.lo.ods", "cells.lo.aes.ods", "calc8", None),
    # ODF 1.1 (the configuration's value 2) encrypts with Blowfish.
    ("cells.lo.ods", "cells.lo.blowfish.ods", "calc8", 2),
    ("cells.lo.ods", "cells.lo.odf11.ods", "calc8", 2),
]


def set_odf_version(remote, version):
    provider = remote.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", remote)
    access = provider.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationUpdateAccess",
        (prop("nodepath", "/org.openoffice.Office.Common/Save/ODF"),))
    access.setPropertyValue("DefaultVersion", version)
    access.commitChanges()


def main():
    with tempfile.TemporaryDirectory() as profile:
        office, remote, desktop = start_office(profile, "encrypted")
        try:
            for fixture, copy, filter_name, odf_version in COPIES:
                set_odf_version(remote, odf_version if odf_version is not None else 3)
                source = os.path.join(DATA, "fixtures", fixture)
                target = os.path.join(DATA, "encrypted", copy)
                doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0,
                                                   (prop("Hidden", True),))
                args = [prop("FilterName", filter_name)]
                if "odf11" not in copy:
                    args.append(prop("Password", PASSWORD))
                doc.storeToURL(uno.systemPathToFileUrl(target), tuple(args))
                doc.close(True)
                print("wrote", target)
        finally:
            stop_office(office, desktop)


if __name__ == "__main__":
    main()
