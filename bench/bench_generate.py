#!/usr/bin/env python3
"""Generating component ARXML from a signal list against writing that signal list, side by side.

    PYTHONPATH=build/dev-3.13/python python bench/bench_generate.py [--repeat N] [--files F] [--ports P]

The corpus is the one of bench_targets.py: F files (50) of the "mixed" layout with P required and P
provided ports each (300), generated on first use under build/bench-corpus/. Each round runs, one
after the other:

write     Tessaly().load(corpus, resolve="project"): the workbook `velvane DIR` writes
generate  Velvane.Tessaly.generate(that workbook, folder): its component and shared ARXML files
details   the same two with details=True, whose workbook has every details column filled

Each figure is the best of --repeat rounds. Target: generate takes at most the time of write.
"""
import argparse
import gc
import os
import shutil
import sys
import tempfile
import time

from bench_targets import make_corpus, verdict

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def timed(work):
    gc.collect()
    started = time.perf_counter()
    work()
    return time.perf_counter() - started


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--files", type=int, default=50)
    parser.add_argument("--ports", type=int, default=300, help="required and provided ports per file")
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"))
    args = parser.parse_args(argv)
    from Velvane.Tessaly import Tessaly, generate

    corpus = os.path.join(args.corpus, "mixed-%dx%dports" % (args.files, args.ports))
    paths = make_corpus(corpus, args.files, args.ports)
    size = sum(os.path.getsize(p) for p in paths)
    print("corpus: %s, %d files, %.1f MB" % (corpus, len(paths), size / 1e6))
    scratch = tempfile.mkdtemp(prefix="bench-generate-")
    best = {}
    try:
        for _ in range(args.repeat):
            for details in (False, True):
                workbook = os.path.join(scratch, "W%d.xlsx" % details)
                output = os.path.join(scratch, "G%d" % details)
                write = timed(lambda: Tessaly().load(corpus, output=workbook, resolve="project", details=details))
                made = timed(lambda: generate(workbook, output))
                for name, seconds in (("write", write), ("generate", made)):
                    key = (details, name)
                    best[key] = min(best.get(key, float("inf")), seconds)
        files = sorted(os.listdir(os.path.join(scratch, "G0")))
        written = sum(os.path.getsize(os.path.join(root, f)) for root, _, names in os.walk(os.path.join(scratch, "G0"))
                      for f in names)
        print("generated: %d component files and 2 shared files, %.1f MB" % (len(files) - 1, written / 1e6))
        print("  %-9s %12s %12s %7s" % ("workbook", "write ms", "generate ms", "ratio"))
        for details in (False, True):
            write, made = best[(details, "write")], best[(details, "generate")]
            print("  %-9s %12.0f %12.0f %7.2f" % ("details" if details else "plain", write * 1e3, made * 1e3,
                                                 made / write))
        ratio = best[(False, "generate")] / best[(False, "write")]
        print("target: generate <= write of the plain workbook: %.2f, %s" % (ratio, verdict(ratio <= 1.0)))
    finally:
        shutil.rmtree(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
