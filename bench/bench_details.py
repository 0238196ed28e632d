#!/usr/bin/env python3
"""What signal details cost: Tessaly.load with and without details=True on a generated split corpus.

    PYTHONPATH=build/dev-3.13/python python bench/bench_details.py [--files N] [--mb-per-file X] [--repeat R]

Each line is the best of --repeat whole loads (the workbook written into a scratch directory), and its
ratio to the plain load of the same resolution. With resolve="file", details build the project index
that the plain load does without; with resolve="project" (the command's default) the index is built
either way and details add their reading and the texts. "filled" counts the description, details and
remark cells written, to show the run did the work.
"""
import argparse
import os
import shutil
import sys
import tempfile

from timing import best_of

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
    from Velvane.Tessaly import Tessaly
    scratch = tempfile.mkdtemp(prefix="bench-details-")
    output = os.path.join(scratch, "SignalList.xlsx")
    try:
        seconds = best_of(repeat, lambda: Tessaly().load(directory, output=output, **options))
        return seconds, filled_cells(output)
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
    print("  %-9s %-8s %10s %8s %8s" % ("resolve", "details", "load ms", "ratio", "filled"))
    for resolve in ("file", "project"):
        plain, _ = run(corpus, args.repeat, resolve=resolve)
        detailed, filled = run(corpus, args.repeat, resolve=resolve, details=True)
        print("  %-9s %-8s %10.1f %8s %8s" % (resolve, "no", plain * 1e3, "1.00", "-"))
        print("  %-9s %-8s %10.1f %8.2f %8d" % (resolve, "yes", detailed * 1e3, detailed / plain, filled))
    return 0


if __name__ == "__main__":
    sys.exit(main())
