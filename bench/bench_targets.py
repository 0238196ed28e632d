#!/usr/bin/env python3
"""The performance targets of the whole load, measured side by side in one run.

    PYTHONPATH=build/dev-3.13/python python bench/bench_targets.py [--repeat N] [--ports P]

Two generated corpora of the "mixed" layout (every file a complete component, every other one nested
in a sub-package), P required and P provided ports per file: 50 files (about 140 MB) and 20 files.
For each:

load         Tessaly().load(corpus): MB/s against 350 MB/s, and against the pure-Python
             implementation. The repository holds none, so its figure is the stored one of the
             performance issue (7.4 s for 142 MB on a comparable machine), labelled as such.
parse ahead  the same load with the binding's _parse_ahead declined, for comparison (no target)
project      load(corpus, resolve="project") / load(corpus): at most 1.15
writer       genExcel of every sheet and close, the native workbook against xlsxwriter's Python
             Workbook on the same cells: at least 4x (shown only when the native writer is built)
peak memory  ru_maxrss of a fresh interpreter running one load (resolve="project", as the command
             does), against three times the largest file plus 150 MB

Loads run interleaved (plain, project, plain, ...) and each figure is the best of --repeat, so that
a busy machine disturbs the ratios as little as it can.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

from bench_load import in_scratch_directory
from bench_writer import sheet_arguments
from timing import best_of

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)

MB_PER_S_TARGET = 350.0
REFERENCE_SECONDS, REFERENCE_MB = 7.4, 142.0     # stored figure of the pure-Python implementation
REFERENCE_RATIO_TARGET = 15.0
PROJECT_RATIO_TARGET = 1.15
WRITER_RATIO_TARGET = 4.0


def verdict(met):
    return "met" if met else "MISSED"


def make_corpus(directory, files, ports):
    """The corpus's paths, generated in a child so that this process stays small for the memory children."""
    command = [sys.executable, os.path.abspath(__file__), "--make-corpus", directory, "--files", str(files),
               "--ports", str(ports)]
    return subprocess.check_output(command, universal_newlines=True).splitlines()


def peak_rss_mb(corpus, resolve):
    command = [sys.executable, os.path.abspath(__file__), "--child", corpus, "--resolve", resolve]
    return int(subprocess.check_output(command, universal_newlines=True).split()[-1]) / 1024.0


def child(corpus, resolve):
    from Velvane.Tessaly import Tessaly
    in_scratch_directory(lambda: Tessaly().load(corpus, resolve=resolve))
    print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
    return 0


def interleaved_loads(corpus, repeat):
    """Best times of the plain load, the project load and the plain load without parsing ahead."""
    from Omdra.Corvenna import AUTOSAR_00048
    from Velvane.Tessaly import Tessaly
    best = {"plain": float("inf"), "project": float("inf"), "no-ahead": float("inf")}

    def declined(path):
        return None

    def once():
        for kind in ("plain", "project", "no-ahead"):
            start_ahead = AUTOSAR_00048.__dict__.get("_parse_ahead")
            if kind == "no-ahead" and start_ahead is not None:
                AUTOSAR_00048._parse_ahead = declined
            try:
                begin = time.perf_counter()
                Tessaly().load(corpus, resolve="project" if kind == "project" else "file")
                best[kind] = min(best[kind], time.perf_counter() - begin)
            finally:
                if start_ahead is not None:
                    AUTOSAR_00048._parse_ahead = start_ahead
    for _ in range(repeat):
        in_scratch_directory(once)
    return best


def writer_times(paths, repeat):
    """(native, Python xlsxwriter) seconds for the same sheets, or None without the native writer."""
    import Velvane.Tessaly as tessaly_module
    native_class = getattr(tessaly_module, "_NativeWorkbook", None)
    if native_class is None:
        return None
    from xlsxwriter.workbook import Workbook
    calls = sheet_arguments(paths)
    loader = tessaly_module.Tessaly()
    folder = tempfile.mkdtemp(prefix="bench-targets-")
    target = os.path.join(folder, "out.xlsx")

    def writing(make):
        def write():
            workbook = make(target)
            for call in calls:
                loader.genExcel(workbook, *call)
            workbook.close()
        return write
    try:
        return best_of(repeat, writing(native_class)), best_of(repeat, writing(Workbook))
    finally:
        if os.path.exists(target):
            os.remove(target)
        os.rmdir(folder)


def report(name, paths, loads, writers, peak_mb):
    size = sum(os.path.getsize(p) for p in paths) / 1e6
    largest = max(os.path.getsize(p) for p in paths) / 1e6
    plain, project, no_ahead = loads["plain"], loads["project"], loads["no-ahead"]
    speed = size / plain
    reference_speed = REFERENCE_MB / REFERENCE_SECONDS
    ratio = project / plain
    memory_target = 3 * largest + 150
    print("%s: %d files, %.1f MB, largest %.2f MB" % (name, len(paths), size, largest))
    print("  load            %8.1f ms  %7.1f MB/s   target >= %.0f MB/s: %s"
          % (plain * 1e3, speed, MB_PER_S_TARGET, verdict(speed >= MB_PER_S_TARGET)))
    print("  vs pure Python  %7.1fx   against the STORED reference figure %.1f s / %.0f MB = %.1f MB/s "
          "(no pure-Python implementation in bench/)   target >= %.0fx: %s"
          % (speed / reference_speed, REFERENCE_SECONDS, REFERENCE_MB, reference_speed, REFERENCE_RATIO_TARGET,
             verdict(speed / reference_speed >= REFERENCE_RATIO_TARGET)))
    print("  parse ahead     without it %8.1f ms: it saves %.1f %%"
          % (no_ahead * 1e3, 100.0 * (no_ahead - plain) / no_ahead))
    print("  project         %8.1f ms  ratio %.3f   target <= %.2f: %s"
          % (project * 1e3, ratio, PROJECT_RATIO_TARGET, verdict(ratio <= PROJECT_RATIO_TARGET)))
    if writers is None:
        print("  writer          native writer not in this build: not measured")
    else:
        native, python = writers
        print("  writer          native %8.1f ms  Python xlsxwriter %8.1f ms  ratio %.2fx   target >= %.0fx: %s"
              % (native * 1e3, python * 1e3, python / native, WRITER_RATIO_TARGET,
                 verdict(python / native >= WRITER_RATIO_TARGET)))
    print("  peak memory     %8.1f MB (load, resolve='project')   target <= 3 x %.2f + 150 = %.1f MB: %s"
          % (peak_mb, largest, memory_target, verdict(peak_mb <= memory_target)))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--ports", type=int, default=300, help="required and provided ports per file")
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpora (reused when their parameters match)")
    parser.add_argument("--files", type=int, default=0, help=argparse.SUPPRESS)
    parser.add_argument("--child", metavar="CORPUS", help=argparse.SUPPRESS)
    parser.add_argument("--resolve", default="file", help=argparse.SUPPRESS)
    parser.add_argument("--make-corpus", metavar="CORPUS", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.child:
        return child(args.child, args.resolve)
    if args.make_corpus:
        sys.path.insert(0, os.path.join(REPO, "tools"))
        import gen_corpus
        for path in gen_corpus.ensure_corpus(args.make_corpus, args.files, 0, layout="mixed", ports=args.ports):
            print(path)
        return 0

    corpora = []
    for files in (50, 20):
        directory = os.path.join(args.corpus, "mixed-%dx%dports" % (files, args.ports))
        corpora.append(("%d-file corpus" % files, directory, make_corpus(directory, files, args.ports)))
    # Every memory child runs before this process grows (a child's ru_maxrss starts from its parent's).
    peaks = [peak_rss_mb(directory, "project") for _, directory, _ in corpora]
    for (name, directory, paths), peak in zip(corpora, peaks):
        report(name, paths, interleaved_loads(directory, args.repeat), writer_times(paths, args.repeat), peak)
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
