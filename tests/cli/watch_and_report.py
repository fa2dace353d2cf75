#!/usr/bin/env python3
"""A drop folder watched by the real sheaver-cli: forms copied in, moved in, written slowly in
pieces and damaged are each filed (or rejected) once while it runs, SIGTERM ends it with status 0,
and its JSON Lines report reads back.

    watch_and_report.py CLI
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CLI = os.path.abspath(sys.argv[1])
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FORMS = os.path.join(SOURCE, "examples", "forms")
ENV = dict(os.environ, SHEAVER_LOCALE="en_GB")


def fail(why, root):
    sys.exit("%s (files in %s)" % (why, root))


def wait_for(condition, seconds, why, root):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            fail("timed out: " + why, root)
        time.sleep(0.05)


def preview_lines(form):
    result = subprocess.run([CLI, "--preview", form, "--type",
                             os.path.join(SOURCE, "examples", "FormTypes", "Timesheet.dat")],
                            env=ENV, capture_output=True, text=True, check=True)
    return result.stdout.splitlines()[1:]


def main():
    root = tempfile.mkdtemp(prefix="sheaver-watch-")
    inp, out, rej = (os.path.join(root, d) for d in ("in", "out", "rejected"))
    for d in (inp, out, rej):
        os.makedirs(d)
    forms = sorted(os.listdir(FORMS))[:4]
    shutil.copy(os.path.join(FORMS, forms[0]), inp)  # there before the watch starts
    data, report = os.path.join(root, "T.csv"), os.path.join(root, "report.jsonl")
    watcher = subprocess.Popen(
        [CLI, "--type", os.path.join(SOURCE, "examples", "FormTypes", "Timesheet.dat"),
         "--in", inp, "--out", out, "--reject", rej, "--data", data, "--watch",
         "--report", report], env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        wait_for(lambda: os.listdir(out) == [forms[0]], 10, "the form already there", root)
        shutil.copy(os.path.join(FORMS, forms[1]), inp)
        staged = os.path.join(root, forms[2])
        shutil.copy(os.path.join(FORMS, forms[2]), staged)
        os.rename(staged, os.path.join(inp, forms[2]))
        with open(os.path.join(inp, "damaged.xls"), "w") as f:
            f.write("not a workbook\n")
        # Written in pieces with pauses: never read half-way.
        with open(os.path.join(FORMS, forms[3]), "rb") as f:
            whole = f.read()
        with open(os.path.join(inp, forms[3]), "wb") as f:
            for i in range(0, len(whole), 1024):
                f.write(whole[i:i + 1024])
                f.flush()
                time.sleep(0.25)
        wait_for(lambda: len(os.listdir(out)) == 4 and len(os.listdir(rej)) == 2, 15,
                 "every form filed or rejected", root)
    finally:
        watcher.send_signal(signal.SIGTERM)
        stdout, stderr = watcher.communicate(timeout=20)
    if watcher.returncode != 0:
        fail("status %d after SIGTERM: %s" % (watcher.returncode, stderr), root)
    if sorted(os.listdir(out)) != sorted(forms) or os.listdir(inp):
        fail("not every form in the output directory", root)
    if sorted(os.listdir(rej)) != ["damaged.xls", "damaged.xls.error.txt"]:
        fail("the damaged form is not rejected with its note", root)

    with open(data, newline="") as f:
        lines = f.read().split("\r\n")[:-1]
    expected = [line for form in forms for line in preview_lines(os.path.join(out, form))]
    if lines[0] != "Staff,Day,Hours" or sorted(lines[1:]) != sorted(expected):
        fail("the data file does not hold every form's records exactly once", root)

    with open(report) as f:
        entries = [json.loads(line) for line in f]
    statuses = {os.path.basename(e["workbook"]): e["status"] for e in entries}
    if len(entries) != 5 or statuses != {**{f: "filed" for f in forms}, "damaged.xls": "rejected"}:
        fail("the report says %r" % entries, root)
    damaged = [e for e in entries if e["status"] == "rejected"][0]
    if damaged["error"] != 1005 or "not a workbook" not in damaged["message"] or \
            damaged["records"] != 0:
        fail("the report's rejected entry: %r" % damaged, root)
    if any(e["records"] != 7 or e["error"] is not None for e in entries if e["status"] == "filed"):
        fail("the report's filed entries: %r" % entries, root)
    shutil.rmtree(root)
    print("watch and report: ok")


if __name__ == "__main__":
    main()
