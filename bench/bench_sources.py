#!/usr/bin/env python3
"""What reading a vendor layout costs: a folder tree (recursive=True, velvane -r) and outside type
sources (type_sources=, velvane --types-from), beside the same files in one flat directory.

    PYTHONPATH=build/dev-3.13/python python bench/bench_sources.py [--files N] [--mb-per-file X] [--repeat R]

One generated split-layout corpus (tools/gen_corpus.py --layout split) laid out three ways, each loaded
with resolve="project":

flat        every file in one directory:                    load(DIR)
recursive   components in Config/Developer/ComponentTypes/, interfaces and data types in
            Config/Developer/, under TOP:                   load(TOP, recursive=True)
types-from  the component folder alone, its parent folder as type source (it holds the component
            folder too, whose files are read once):          load(COMPONENTS, type_sources=[DEVELOPER])

Per run: sheets, signals and the share with a data type (from the `signals` callable), the whole load
(best of --repeat) and its ratio to flat; and the file listing alone (os.listdir, the tree walk, the
type-source walk), best of 20.
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

SHARED_FILES = ("PortInterfaces.arxml", "DataTypes.arxml")


def lay_out(corpus, top):
    """Copies the flat corpus into the vendor tree under `top`; returns (components, developer)."""
    developer = os.path.join(top, "Config", "Developer")
    components = os.path.join(developer, "ComponentTypes")
    if os.path.isdir(top):
        shutil.rmtree(top)
    os.makedirs(components)
    for name in sorted(os.listdir(corpus)):
        if name.endswith(".arxml"):
            shutil.copy(os.path.join(corpus, name), os.path.join(developer if name in SHARED_FILES else components, name))
    return components, developer


def run(path, repeat, **options):
    from Velvane.Tessaly import Tessaly
    scratch = tempfile.mkdtemp(prefix="bench-sources-")
    output = os.path.join(scratch, "SignalList.xlsx")
    signals = []
    stats = {}
    try:
        Tessaly().load(path, output=output, resolve="project", signals=signals.append, _stats=stats, **options)
        seconds = best_of(repeat, lambda: Tessaly().load(path, output=output, resolve="project", **options))
    finally:
        shutil.rmtree(scratch)
    typed = sum(1 for s in signals if s.reason is None)
    return stats["sheets"], len(signals), typed, seconds


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=40, help="components of the generated corpus")
    parser.add_argument("--mb-per-file", type=float, default=0.5)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpus (reused when its parameters match)")
    args = parser.parse_args(argv)
    import gen_corpus
    from Velvane import _arxml_files
    corpus = os.path.join(args.corpus, "split-%dx%g" % (args.files, args.mb_per_file))
    gen_corpus.ensure_corpus(corpus, args.files, args.mb_per_file, layout="split")
    top = os.path.join(args.corpus, "vendor-%dx%g" % (args.files, args.mb_per_file))
    components, developer = lay_out(corpus, top)
    size = sum(os.path.getsize(os.path.join(corpus, e)) for e in os.listdir(corpus) if e.endswith(".arxml"))
    print("corpus: %s, %d files, %.1f MB" % (corpus, len(os.listdir(components)) + 2, size / 1e6))

    runs = [("flat", corpus, {}), ("recursive", top, {"recursive": True}),
            ("types-from", components, {"type_sources": [developer]})]
    results = [(name, run(path, args.repeat, **options)) for name, path, options in runs]
    base = results[0][1][3]
    print("  %-11s %6s %8s %14s %10s %7s" % ("run", "sheets", "signals", "typed", "load ms", "ratio"))
    for name, (sheets, signals, typed, seconds) in results:
        print("  %-11s %6d %8d %7d %5.1f %% %10.1f %6.2fx" % (
            name, sheets, signals, typed, 100.0 * typed / signals if signals else 0.0, seconds * 1e3, seconds / base))

    entries = os.listdir(components)
    listings = [("os.listdir(DIR)", lambda: os.listdir(corpus)),
                ("tree walk of TOP", lambda: _arxml_files.tree_entries(top)),
                ("type-source walk", lambda: _arxml_files.type_source_files([developer], components, entries))]
    print("  listing alone: " + ", ".join("%s %.3f ms" % (name, best_of(20, work) * 1e3) for name, work in listings))
    return 0


if __name__ == "__main__":
    sys.exit(main())
