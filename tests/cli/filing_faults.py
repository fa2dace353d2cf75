#!/usr/bin/env python3
"""Filing under faults, through the real sheaver-cli on real workbooks.

Every scenario files generated timesheets (each with its own staff number, so a repeated record
is visible) and then checks the two promises of a run: every workbook's records are in the data
file exactly once, each line whole, and every workbook is in exactly one place.

    filing_faults.py CLI [--long]

--long runs the kill scenario with 600 forms and 60 kills instead of 150 and 8.
"""

import datetime
import fcntl
import os
import random
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import openpyxl

CLI = os.path.abspath(sys.argv[1])
LONG = "--long" in sys.argv
ENV = dict(os.environ, SHEAVER_LOCALE="en_GB")
FORM_TYPE = '3,3\r\n"Staff","B2","0"\r\n"Day","B3","+dmy"\r\n"Hours","C6:C12","0.00"\r\n'
HEADER = "Staff,Day,Hours"


def make_forms(folder, count, first=1):
    """count timesheets in folder; returns {name: [record lines]} as the data file should hold them."""
    os.makedirs(folder, exist_ok=True)
    expected = {}
    for n in range(first, first + count):
        book = openpyxl.Workbook()
        sheet = book.active
        monday = datetime.date(2024, 1, 1) + datetime.timedelta(weeks=n % 50)
        sheet["B2"] = n
        sheet["B3"] = datetime.datetime.combine(monday, datetime.time())
        hours = [round((n * 7 + d) % 9 + 0.25 * (d % 4), 2) for d in range(7)]
        for d, h in enumerate(hours):
            sheet.cell(row=6 + d, column=3, value=h)
        name = "Week %05d.xlsx" % n
        book.save(os.path.join(folder, name))
        expected[name] = [
            "%d,%s,%.2f" % (n, (monday + datetime.timedelta(days=d)).strftime("%d/%m/%Y"), h)
            for d, h in enumerate(hours)
        ]
    return expected


class Case:
    def __init__(self, name):
        self.name = name
        self.root = tempfile.mkdtemp(prefix="sheaver-faults-")
        self.inp = os.path.join(self.root, "in")
        self.out = os.path.join(self.root, "out")
        self.data = os.path.join(self.root, "T.csv")
        self.type = os.path.join(self.root, "T.dat")
        os.makedirs(self.out)
        with open(self.type, "w", newline="") as f:
            f.write(FORM_TYPE)

    def args(self, *extra):
        return [CLI, "--type", self.type, "--in", self.inp, "--out", self.out,
                "--data", self.data, "--all", "--quiet", *extra]

    def run(self, *extra, **kw):
        return subprocess.run(self.args(*extra), env=ENV, capture_output=True, text=True, **kw)

    def check(self, expected, elsewhere=(), at_most_once=()):
        """The data file holds every expected workbook's lines exactly once (those in
        at_most_once: once or not at all), whole, under one header; every workbook is in exactly
        one of in/, out/ or the folders in elsewhere."""
        with open(self.data, "rb") as f:
            raw = f.read()
        fail = lambda why: sys.exit("%s: %s (files in %s)" % (self.name, why, self.root))
        if not raw.endswith(b"\r\n"):
            fail("the data file ends in a partial line")
        lines = raw.decode().split("\r\n")[:-1]
        if lines[0] != HEADER or HEADER in lines[1:]:
            fail("not exactly one header line at the top")
        counts = {}
        for line in lines[1:]:
            counts[line] = counts.get(line, 0) + 1
        known = set()
        for name, records in expected.items():
            known.update(records)
            for record in records:
                seen = counts.get(record, 0)
                if seen > 1 or (seen == 0 and name not in at_most_once):
                    fail("%s: record %r is in the data file %d times" % (name, record, seen))
        strays = [line for line in counts if line not in known]
        if strays:
            fail("lines no form holds: %r" % strays[:3])
        for name in expected:
            places = [d for d in (self.inp, self.out, *elsewhere)
                      if os.path.exists(os.path.join(d, name))]
            if len(places) != 1:
                fail("%s is in %d places" % (name, len(places)))
        if os.path.exists(self.data + ".sheaver-journal"):
            fail("the journal was left behind")

    def done(self):
        shutil.rmtree(self.root)


def expect(condition, case, why):
    if not condition:
        sys.exit("%s: %s (files in %s)" % (case.name, why, case.root))


def random_kills():
    forms, kills = (600, 60) if LONG else (150, 8)
    case = Case("random kills")
    expected = make_forms(case.inp, forms)
    start = time.monotonic()
    first = case.run()
    expect(first.returncode == 0, case, first.stderr)
    whole = time.monotonic() - start
    # Again from the start: the forms back in, a fresh data file, then a kill at a random
    # moment of each run until the run finishes by itself.
    for name in expected:
        os.rename(os.path.join(case.out, name), os.path.join(case.inp, name))
    os.unlink(case.data)
    rng = random.Random(1234)
    for _ in range(kills):
        proc = subprocess.Popen(case.args(), env=ENV, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        time.sleep(rng.uniform(0, whole))
        proc.send_signal(signal.SIGKILL)
        proc.wait()
    last = case.run()
    expect(last.returncode == 0, case, "the run after the kills: " + last.stderr)
    expect(not os.listdir(case.inp), case, "workbooks left in the input directory")
    case.check(expected)
    case.done()


def kills_at_each_step():
    """A kill just before each system call that changes something (the journal entry and its
    clearing, both pwrite64; the append; the move), at the first, second and fifth of them, by
    strace's fault injection: random kills rarely land in the microseconds between an append
    and its move."""
    if shutil.which("strace") is None or subprocess.run(
            ["strace", "-qq", "-o", "/dev/null", "true"], capture_output=True).returncode != 0:
        print("kills at each step: skipped (strace cannot trace here)")
        return
    for call in ("pwrite64", "write", "renameat2"):
        for when in (1, 2, 5):
            case = Case("killed before %s #%d" % (call, when))
            expected = make_forms(case.inp, 8)
            killed = subprocess.run(
                ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call,
                 "-e", "inject=%s:signal=SIGKILL:when=%d" % (call, when), *case.args()],
                env=ENV, capture_output=True, text=True)
            expect(killed.returncode != 0, case, "the run was not killed")
            rerun = subprocess.run([a for a in case.args() if a != "--quiet"], env=ENV,
                                   capture_output=True, text=True)
            expect(rerun.returncode == 0, case, rerun.stderr)
            case.check(expected)
            case.done()


def concurrent_runs():
    for trial in range(3):
        case = Case("two runs at once, trial %d" % trial)
        expected = make_forms(case.inp, 40)
        procs = [subprocess.Popen(case.args(), env=ENV, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True) for _ in range(2)]
        results = [(p.wait(), p.stderr.read()) for p in procs]
        for status, stderr in results:
            expect(status == 0 or "in use by another run" in stderr, case, stderr)
        case.check(expected)
        case.done()


def lock_names_the_other_process():
    case = Case("a held lock")
    make_forms(case.inp, 2)
    with open(case.data + ".sheaver-journal", "w") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        result = case.run()
        expect(result.returncode == 1, case, "status %d" % result.returncode)
        expect("process %d" % os.getpid() in result.stderr and case.data in result.stderr, case,
               "the message does not name the data file and the holder: " + result.stderr)
        expect(not os.path.exists(case.data) and len(os.listdir(case.inp)) == 2, case,
               "a refused run touched something")
    case.done()


def workbooks_taken_away():
    case = Case("workbooks removed while the run goes on")
    expected = make_forms(case.inp, 120)
    taken = os.path.join(case.root, "taken")
    os.makedirs(taken)
    stop = threading.Event()

    def take():
        rng = random.Random(99)
        while not stop.is_set():
            names = [n for n in os.listdir(case.inp) if n.endswith(".xlsx")]
            if names:
                try:
                    name = rng.choice(names)
                    os.rename(os.path.join(case.inp, name), os.path.join(taken, name))
                except FileNotFoundError:
                    pass
            time.sleep(0.003)

    thief = threading.Thread(target=take)
    thief.start()
    for _ in range(20):  # a run that meets a vanished workbook stops; the next one goes on
        if case.run().returncode == 0 and not os.listdir(case.inp):
            break
    stop.set()
    thief.join()
    case.run()
    # A workbook taken between its append and its move has its records in; one taken earlier
    # has not. Either way it is in one place only and never filed twice.
    case.check(expected, elsewhere=[taken], at_most_once=set(os.listdir(taken)))
    case.done()


def file_size_limit():
    case = Case("file-size limit")
    expected = make_forms(case.inp, 30)

    def limit():
        resource.setrlimit(resource.RLIMIT_FSIZE, (3000, 3000))

    limited = case.run(preexec_fn=limit)
    expect(limited.returncode == 1 and "Disk full" in limited.stderr, case,
           "status %d: %s" % (limited.returncode, limited.stderr))
    expect(os.path.getsize(case.data) <= 3000, case, "the data file outgrew the limit")
    rerun = case.run()
    expect(rerun.returncode == 0, case, rerun.stderr)
    case.check(expected)
    case.done()


def full_file_system():
    case = Case("full file system")
    disk = os.path.join(case.root, "disk")
    os.makedirs(disk)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=12k", "tmpfs", disk],
                      capture_output=True).returncode != 0:
        print("full file system: skipped (cannot mount a tmpfs here; the file-size limit and "
              "the file-system double cover a failing write)")
        case.done()
        return
    try:
        expected = make_forms(case.inp, 60)  # about 10 kB of records, 8 kB left for them
        case.data = os.path.join(disk, "T.csv")
        full = case.run()
        expect(full.returncode == 1 and "Disk full" in full.stderr, case, full.stderr)
        moved = os.path.join(case.root, "T.csv")
        expect(os.path.getsize(case.data) > 0, case, "nothing was filed before the disk filled")
        shutil.copyfile(case.data, moved)
        case.data = moved
        rerun = case.run()
        expect(rerun.returncode == 0, case, rerun.stderr)
        case.check(expected)
    finally:
        subprocess.run(["umount", disk])
    case.done()


def refused_before_writing():
    # A damaged form stops the run at it, and adds nothing; once it is gone the rest is filed
    # exactly once.
    case = Case("a damaged form")
    expected = make_forms(case.inp, 6)
    with open(os.path.join(case.inp, "Week 00004.xlsx"), "wb") as f:
        f.write(b"PK\x03\x04 not really a workbook")
    del expected["Week 00004.xlsx"]
    failed = case.run()
    expect(failed.returncode == 1 and "Week 00004.xlsx" in failed.stderr, case, failed.stderr)
    os.rename(os.path.join(case.inp, "Week 00004.xlsx"), os.path.join(case.root, "bad.xlsx"))
    expect(case.run().returncode == 0, case, "the run after removing the damaged form")
    case.check(expected)
    case.done()

    # A missing output directory and a header of another form type: refused before the first
    # append, so that no retry ever repeats a record.
    case = Case("refused runs")
    make_forms(case.inp, 3)
    os.rmdir(case.out)
    missing = case.run()
    expect(missing.returncode == 2 and "output directory" in missing.stderr, case, missing.stderr)
    expect(not os.path.exists(case.data), case, "records appended before the refusal")
    os.makedirs(case.out)
    with open(case.data, "w", newline="") as f:
        f.write("Claim,Date,Payee,Amount\r\n1017,01/01/2024,Acme,12.00\r\n")
    before = open(case.data, "rb").read()
    mismatch = case.run()
    expect(mismatch.returncode == 1 and "4 fields" in mismatch.stderr and "has 3" in
           mismatch.stderr, case, mismatch.stderr)
    expect(open(case.data, "rb").read() == before and len(os.listdir(case.inp)) == 3, case,
           "a refused run touched something")
    case.done()


if __name__ == "__main__":
    for scenario in (refused_before_writing, lock_names_the_other_process, file_size_limit,
                     full_file_system, kills_at_each_step, concurrent_runs, workbooks_taken_away, random_kills):
        began = time.monotonic()
        scenario()
        print("%s: ok (%.1f s)" % (scenario.__name__, time.monotonic() - began))
