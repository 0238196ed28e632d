#!/usr/bin/env python3
"""The command's start-up, each case a fresh interpreter, best and median of N runs.

    PYTHONPATH=build/dev-3.13/python python bench/bench_startup.py [--repeat N]

empty folder    velvane on a folder with no .arxml file (refused before the native modules load)
one file        velvane on a folder holding one small example file
import          python -c "import Velvane.Tessaly", and whether that imported xlsxwriter (the native
                writer does without it; it comes only when Velvane.Tessaly.Workbook is read)
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def timed(command, repeat):
    times = []
    for _ in range(repeat):
        started = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - started)
    return min(times), statistics.median(times)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=21)
    args = parser.parse_args(argv)
    work = tempfile.mkdtemp(prefix="bench-startup-")
    try:
        empty, one = os.path.join(work, "empty"), os.path.join(work, "one")
        os.mkdir(empty)
        os.mkdir(one)
        shutil.copy(os.path.join(REPO, "examples", "WiperControl.arxml"), one)
        output = os.path.join(work, "out.xlsx")
        velvane = [sys.executable, "-m", "Velvane"]
        cases = [
            ("empty folder", velvane + [empty, "-q", "-o", output]),
            ("one file", velvane + [one, "-q", "-o", output]),
            ("import", [sys.executable, "-c", "import Velvane.Tessaly"]),
        ]
        for name, command in cases:
            best, median = timed(command, args.repeat)
            print("%-13s best %6.3f s   median %6.3f s" % (name, best, median))
        loaded = subprocess.run([sys.executable, "-c", "import sys, Velvane.Tessaly; print('xlsxwriter' in sys.modules)"],
                                stdout=subprocess.PIPE, universal_newlines=True).stdout.strip()
        print("xlsxwriter imported with Velvane.Tessaly: %s" % loaded)
    finally:
        shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
