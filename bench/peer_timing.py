"""Timing for the peer readers (xlrd_read.py, openpyxl_read.py): the same measurement and output
as bench_engine, so that the comparison scripts read both the same way."""
import os
import resource
import statistics
import sys
import time


def rss_bytes():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0


def main(run_form, run_all):
    """Runs the workload the command line names (form|all FILE [REPEAT]) once to measure the peak
    memory it adds, then REPEAT times (default 20), and prints the median time in microseconds,
    that peak, the file's size and the work done (characters or cells read, summed over runs)."""
    mode, path = sys.argv[1], sys.argv[2]
    repeat = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    run = run_form if mode == "form" else run_all
    before = rss_bytes()
    work = run(path)
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024 - before
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        work += run(path)
        times.append((time.perf_counter() - t0) * 1e6)
    print("time_us=%.1f peak_bytes=%d file_bytes=%d work=%d"
          % (statistics.median(times), peak, os.path.getsize(path), work))
