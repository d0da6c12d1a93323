#!/usr/bin/env python3
"""Times two commands as whole processes, in turn (A B A B ...), and prints
the median wall and CPU milliseconds of each and the medians of the pairs'
ratios A/B. A pair is taken together, so a machine whose load drifts moves
both alike. The clock is read around the child only (no shell, no `date`
process in between), and the CPU time is the child's own (wait4).

    scripts/bench/paired_runs.py LABEL RUNS -- COMMAND A ... -- COMMAND B ...

Prints one line: LABEL, A wall, B wall, wall ratio, A cpu, B cpu, cpu ratio.
A command that fails stops the script with its exit status.
"""
import os
import statistics
import subprocess
import sys
import time


def run_once(argv):
    start = time.perf_counter_ns()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = (time.perf_counter_ns() - start) / 1e6
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"{' '.join(argv)} failed with {child.returncode}")
    return wall, (usage.ru_utime + usage.ru_stime) * 1e3


def main():
    args = sys.argv[1:]
    if len(args) < 5 or args[2] != "--" or "--" not in args[3:]:
        sys.exit(__doc__)
    label, runs = args[0], int(args[1])
    split = args.index("--", 3)
    a, b = args[3:split], args[split + 1:]
    run_once(a), run_once(b)  # warm-up: file cache, page cache of the binaries
    rows = [(run_once(a), run_once(b)) for _ in range(runs)]
    med = statistics.median
    wall_a, wall_b = med(r[0][0] for r in rows), med(r[1][0] for r in rows)
    cpu_a, cpu_b = med(r[0][1] for r in rows), med(r[1][1] for r in rows)
    wall_ratio = med(r[0][0] / r[1][0] for r in rows)
    cpu_ratio = med(r[0][1] / r[1][1] for r in rows if r[1][1] > 0)
    print(f"{label:<18} {wall_a:9.2f} {wall_b:9.2f} {wall_ratio:7.3f}   {cpu_a:9.2f} {cpu_b:9.2f} {cpu_ratio:7.3f}")


if __name__ == "__main__":
    main()
