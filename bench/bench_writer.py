#!/usr/bin/env python3
"""The workbook writers side by side on a generated corpus.

    PYTHONPATH=build/dev-3.13/python python bench/bench_writer.py [--files N] [--mb-per-file X] [--layout file|split]

writer      genExcel of every file's analysis results and close, into the native workbook that load
            uses and into xlsxwriter's Python Workbook: the same cells, the analysis done beforehand
load        the whole Tessaly().load(corpus) with each writer (Python: the module's Workbook replaced)
view        the native load with working_view=True (frozen header, autofilter, row heights from the
            wrapped texts, as the command writes) beside the plain one
peak memory ru_maxrss of a fresh interpreter running one load with the native writer, beside one that
            only imports, against the target of three times the largest file plus 150 MB
"""
import argparse
import os
import sys
import tempfile

from bench_load import in_scratch_directory, make_corpus, peak_rss_kb
from timing import best_of

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
WRITER_TARGET = 4.0


def sheet_arguments(paths):
    """genExcel's arguments (but the workbook) for each file, as load builds them."""
    import Velvane.Tessaly as tessaly_module
    from Velvane.Pellinor import Pellinor
    data_array = [getattr(tessaly_module, "table%dList" % n) for n in range(1, 10)]
    calls = []
    for path in paths:
        analyser = Pellinor()
        analyser.modelName = ""
        interfaces, rports, pports = analyser.readArxml(path, data_array)[:3]
        types = dict((r[1], r[7].rsplit("/", 1)[-1]) for r in interfaces)
        model = os.path.basename(path).replace(".arxml", "")
        calls.append((model, pports, rports, types, analyser.enumDict, analyser.structValDict,
                      analyser.enumValList))
    return calls


def time_writer(make_workbook, calls, repeat):
    from Velvane.Tessaly import Tessaly
    loader = Tessaly()
    folder = tempfile.mkdtemp(prefix="bench-writer-")
    target = os.path.join(folder, "out.xlsx")

    def write():
        workbook = make_workbook(target)
        for call in calls:
            loader.genExcel(workbook, *call)
        workbook.close()
    try:
        return best_of(repeat, write)
    finally:
        if os.path.exists(target):
            os.remove(target)
        os.rmdir(folder)


def time_loads(corpus, repeat):
    import Velvane.Tessaly as tessaly_module
    native = in_scratch_directory(lambda: best_of(repeat, lambda: tessaly_module.Tessaly().load(corpus)))
    original = tessaly_module.Workbook
    tessaly_module.Workbook = type("PythonWorkbook", (original,), {})   # not xlsxwriter's own: Python path
    try:
        python = in_scratch_directory(lambda: best_of(repeat, lambda: tessaly_module.Tessaly().load(corpus)))
    finally:
        tessaly_module.Workbook = original
    return native, python


def time_views(corpus, repeat):
    from Velvane.Tessaly import Tessaly
    plain = in_scratch_directory(lambda: best_of(repeat, lambda: Tessaly().load(corpus)))
    ready = in_scratch_directory(lambda: best_of(repeat, lambda: Tessaly().load(corpus, working_view=True)))
    return plain, ready


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=20)
    parser.add_argument("--mb-per-file", type=float, default=2.8)
    parser.add_argument("--layout", choices=["file", "split"], default="file")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"))
    args = parser.parse_args(argv)
    corpus = os.path.join(args.corpus, "%s-%dx%g" % (args.layout, args.files, args.mb_per_file))
    paths = make_corpus(corpus, args)
    import_kb, load_kb = peak_rss_kb(corpus, True), peak_rss_kb(corpus, False)

    import xlsxwriter
    from Velvane.Tessaly import _NativeWorkbook
    calls = sheet_arguments(paths)
    cells = sum(15 + 5 * max(len(c[1]), len(c[2])) + 3 * min(len(c[1]), len(c[2])) for c in calls)
    native = time_writer(_NativeWorkbook, calls, args.repeat)
    python = time_writer(xlsxwriter.Workbook, calls, args.repeat)
    load_native, load_python = time_loads(corpus, args.repeat)
    view_plain, view_ready = time_views(corpus, args.repeat)

    size = sum(os.path.getsize(p) for p in paths) / 1e6
    largest = max(os.path.getsize(p) for p in paths) / 1e6
    signals = sum(len(c[1]) + len(c[2]) for c in calls)
    memory_target = 3 * largest + 150
    print("corpus       %d files, %.1f MB (%s layout), %d signals, about %d cells"
          % (len(paths), size, args.layout, signals, cells))
    print("writer       native %8.1f ms   Python xlsxwriter %8.1f ms   ratio %5.2fx   (target >= %.0fx)"
          % (native * 1e3, python * 1e3, python / native, WRITER_TARGET))
    print("load         native %8.1f ms   %6.1f MB/s   Python writer %8.1f ms   %6.1f MB/s   ratio %5.2fx"
          % (load_native * 1e3, size / load_native, load_python * 1e3, size / load_python, load_python / load_native))
    print("view         plain  %8.1f ms   working view %8.1f ms   ratio %5.2fx"
          % (view_plain * 1e3, view_ready * 1e3, view_ready / view_plain))
    print("peak memory  %8.1f MB   (imports alone %.1f MB; target 3 x %.1f MB + 150 MB = %.1f MB)"
          % (load_kb / 1024.0, import_kb / 1024.0, largest, memory_target))
    return 0


if __name__ == "__main__":
    sys.exit(main())
