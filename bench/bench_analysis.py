#!/usr/bin/env python3
"""Time of Pellinor.readArxml on a generated corpus, split into parse and analysis.

    PYTHONPATH=build/dev-3.13/python python bench/bench_analysis.py [--files N] [--mb-per-file X]

parse is AUTOSAR_00048.parse(path, True) alone on each file; analysis is the rest of readArxml (the
package walk, the joins and the type tables). Each figure is the best of --repeat runs per file, summed
over the files, in CPU time of the process (steady on a machine busy with other work). Target:
analysis at most a quarter of parse.

The schema binding builds its element objects on first access, so analysis includes building the
part of the tree the analyser reads. "warm analysis" is readArxml on a tree that was read once
already (parse replaced by handing back that tree): the analyser's own work without that cost.
"""
import argparse
import gc
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tools"))

import gen_corpus  # noqa: E402
import Velvane.Pellinor as pellinor  # noqa: E402
from Omdra.Corvenna import AUTOSAR_00048  # noqa: E402
from Velvane.Pellinor import Pellinor  # noqa: E402

TARGET = 0.25


def key_lists():
    """The loader's nine key lists; only entries 3 to 5 are read by the analyser."""
    try:
        from Velvane import Tessaly
        return [getattr(Tessaly, "table%dList" % n) for n in range(1, 10)]
    except (ImportError, AttributeError):
        props = "SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\n"
        element = "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\n"
        return [[], [], [],
                ["SWC-NAME", "SHORT-NAME", "CATEGORY", props + "BASE-TYPE-REF", props + "COMPU-METHOD-REF", ""],
                ["SWC-NAME", "SHORT-NAME", "CATEGORY", "BASE-TYPE-SIZE", "BASE-TYPE-ENCODING",
                 "NATIVE-DECLARATION", ""],
                ["SWC-NAME", "SHORT-NAME", "IS-SERVICE", element + "SHORT-NAME", element + "CATEGORY",
                 element + props + "SW-CALIBRATION-ACCESS", element + props + "SW-IMPL-POLICY",
                 element + "TYPE-TREF", ""],
                [], [], []]


def best_time(work, repeat):
    """Best time of `work`; what it returns is freed after the clock stops (freeing a tree is not
    part of reading it)."""
    best = float("inf")
    for _ in range(repeat):
        gc.collect()
        start = time.process_time()
        kept = work()
        elapsed = time.process_time() - start
        del kept
        best = min(best, elapsed)
    return best


def read(path, data_array):
    """The loader's use of one analyser; the analyser is returned with the records so that it lives on."""
    analyser = Pellinor()
    analyser.modelName = ""
    return analyser, analyser.readArxml(path, data_array)


class ParsedTree(object):
    """Stands in for the binding: parse() hands back one tree parsed before."""

    def __init__(self, root):
        self.root = root

    def parse(self, path, silence=False):
        return self.root


def warm_time(path, data_array, repeat):
    pellinor.AUTOSAR_00048 = ParsedTree(AUTOSAR_00048.parse(path, True))
    try:
        read(path, data_array)
        return best_time(lambda: read(path, data_array), repeat)
    finally:
        pellinor.AUTOSAR_00048 = AUTOSAR_00048


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=4)
    parser.add_argument("--mb-per-file", type=float, default=2.0)
    parser.add_argument("--layout", choices=["file", "split"], default="file")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpus (reused when its parameters match)")
    args = parser.parse_args(argv)

    corpus = os.path.join(args.corpus, "analysis-%s-%dx%g" % (args.layout, args.files, args.mb_per_file))
    paths = gen_corpus.ensure_corpus(corpus, args.files, args.mb_per_file, layout=args.layout)
    data_array = key_lists()
    parse = readarxml = warm = 0.0
    records = 0
    for path in paths:
        parse += best_time(lambda: AUTOSAR_00048.parse(path, True), args.repeat)
        readarxml += best_time(lambda: read(path, data_array), args.repeat)
        warm += warm_time(path, data_array, args.repeat)
        records += sum(len(r) for r in read(path, data_array)[1])
    analysis = readarxml - parse
    size = sum(os.path.getsize(p) for p in paths) / 1e6
    ratio = analysis / parse if parse else float("inf")
    print("corpus     %d files, %.1f MB (%s layout), %d records" % (len(paths), size, args.layout, records))
    print("readArxml  %8.1f ms" % (readarxml * 1e3))
    print("parse      %8.1f ms" % (parse * 1e3))
    print("analysis   %8.1f ms" % (analysis * 1e3))
    print("ratio      %8.3f  analysis / parse (target <= %.2f: %s)"
          % (ratio, TARGET, "met" if ratio <= TARGET else "NOT met"))
    print("warm analysis %5.1f ms  (%.3f of parse): readArxml on trees already read once"
          % (warm * 1e3, warm / parse if parse else float("inf")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
