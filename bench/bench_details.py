#!/usr/bin/env python3
"""What signal details cost: Tessaly.load with and without details=True on a generated split corpus.

    PYTHONPATH=build/dev-3.13/python python bench/bench_details.py [--files N] [--mb-per-file X] [--repeat R]

Each line is the best of --repeat whole loads (the workbook written into a scratch directory), in wall
time and in CPU time of the process (all threads; steadier on a busy machine), each with its ratio to
the plain load of the same resolution. With resolve="file", details build the project index
that the plain load does without; with resolve="project" (the command's default) the index is built
either way and details add their reading and the texts. "filled" counts the description, details and
remark cells written, to show the run did the work.
"""
import argparse
import gc
import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tools"))

DETAIL_COLUMNS = (4, 5, 6, 11, 12, 13)  # E F G L M N, zero-based


def filled_cells(workbook_path):
    import openpyxl
    book = openpyxl.load_workbook(workbook_path, read_only=True)
    count = 0
    for sheet in book.worksheets:
        for values in sheet.iter_rows(min_row=2, values_only=True):
            count += sum(1 for i in DETAIL_COLUMNS if i < len(values) and values[i])
    book.close()
    return count


def run(directory, repeat, **options):
    """(best wall seconds, best CPU seconds, detail cells filled) of `repeat` loads."""
    from Velvane.Tessaly import Tessaly
    scratch = tempfile.mkdtemp(prefix="bench-details-")
    output = os.path.join(scratch, "SignalList.xlsx")
    wall = cpu = float("inf")
    try:
        for _ in range(repeat):
            gc.collect()
            started, cpu_started = time.perf_counter(), time.process_time()
            Tessaly().load(directory, output=output, **options)
            wall = min(wall, time.perf_counter() - started)
            cpu = min(cpu, time.process_time() - cpu_started)
        return wall, cpu, filled_cells(output)
    finally:
        shutil.rmtree(scratch)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=40, help="components of the generated corpus")
    parser.add_argument("--mb-per-file", type=float, default=1.0)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpus (reused when its parameters match)")
    args = parser.parse_args(argv)
    import gen_corpus
    corpus = os.path.join(args.corpus, "split-%dx%g" % (args.files, args.mb_per_file))
    paths = gen_corpus.ensure_corpus(corpus, args.files, args.mb_per_file, layout="split")
    size = sum(os.path.getsize(p) for p in paths)
    print("corpus: %s, %d files, %.1f MB" % (corpus, len(paths), size / 1e6))
    row = "  %-9s %-8s %9s %6s %9s %6s %8s"
    print(row % ("resolve", "details", "wall ms", "ratio", "CPU ms", "ratio", "filled"))
    for resolve in ("file", "project"):
        wall, cpu, _ = run(corpus, args.repeat, resolve=resolve)
        print(row % (resolve, "no", "%.0f" % (wall * 1e3), "1.00", "%.0f" % (cpu * 1e3), "1.00", "-"))
        wall_d, cpu_d, filled = run(corpus, args.repeat, resolve=resolve, details=True)
        print(row % (resolve, "yes", "%.0f" % (wall_d * 1e3), "%.2f" % (wall_d / wall), "%.0f" % (cpu_d * 1e3),
                     "%.2f" % (cpu_d / cpu), filled))
    return 0


if __name__ == "__main__":
    sys.exit(main())
