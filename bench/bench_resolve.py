#!/usr/bin/env python3
"""Share of ports that get a data type, with resolve="file" and resolve="project", and what it costs.

    PYTHONPATH=build/dev-3.13/python python bench/bench_resolve.py [--files N] [--mb-per-file X] [--samples DIR]

Runs Tessaly().load on each corpus in both modes, reads the workbook back with openpyxl and counts, per
mode, the signal rows whose type cell (D for an input, K for an output) is filled. Corpora: the public
samples (../shared/arxml, skipped when absent) and a generated split-layout corpus (tools/gen_corpus.py
--layout split: components, interfaces and data types in separate files).

ports           every signal row of the workbook
sender-receiver the ports whose interface reference names a SENDER-RECEIVER-INTERFACE (DEST)
in directory    of those, the ports whose interface is defined in a file of the directory
typed           rows with a type; text: rows with an enumeration or structure text; array: with "[n]"
load            the whole load, best of --repeat runs; index: building the project index alone
"""
import argparse
import os
import shutil
import sys
import tempfile
import time

from timing import best_of
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tools"))

MODES = ("file", "project")
INPUT_COLUMNS = ("B", "D", "H")    # signal, type, text
OUTPUT_COLUMNS = ("I", "K", "O")
PORT_KINDS = (("R-PORT-PROTOTYPE", "REQUIRED-INTERFACE-TREF", "R"), ("P-PORT-PROTOTYPE", "PROVIDED-INTERFACE-TREF", "P"))


def local(tag):
    return tag.rsplit("}", 1)[-1]


def child(element, name):
    for item in element:
        if local(item.tag) == name:
            return item
    return None


def interface_paths(root):
    """Absolute paths of the sender-receiver interfaces a file defines (packages at every depth)."""
    found = set()

    def visit(package, prefix):
        name = child(package, "SHORT-NAME")
        if name is None:
            return
        path = prefix + "/" + name.text.strip()
        elements = child(package, "ELEMENTS")
        for element in (elements if elements is not None else []):
            if local(element.tag) == "SENDER-RECEIVER-INTERFACE" and child(element, "SHORT-NAME") is not None:
                found.add(path + "/" + child(element, "SHORT-NAME").text.strip())
        packages = child(package, "AR-PACKAGES")
        for sub in (packages if packages is not None else []):
            visit(sub, path)

    packages = child(root, "AR-PACKAGES")
    for package in (packages if packages is not None else []):
        visit(package, "")
    return found


def port_kinds(directory):
    """{(entry, port name, "R"/"P"): (sender-receiver?, its interface is defined in the directory?)}"""
    roots = {}
    for entry in os.listdir(directory):
        if entry.endswith(".arxml"):
            try:
                roots[entry] = ET.parse(os.path.join(directory, entry)).getroot()
            except (ET.ParseError, OSError):
                pass
    defined = set()
    for root in roots.values():
        defined |= interface_paths(root)
    kinds = {}
    for entry, root in roots.items():
        for port_tag, tref_tag, direction in PORT_KINDS:
            for port in root.iter():
                if local(port.tag) != port_tag or child(port, "SHORT-NAME") is None:
                    continue
                tref = child(port, tref_tag)
                sender_receiver = tref is not None and tref.get("DEST") == "SENDER-RECEIVER-INTERFACE"
                here = sender_receiver and (tref.text or "").strip() in defined
                kinds.setdefault((entry, child(port, "SHORT-NAME").text.strip(), direction), (sender_receiver, here))
    return kinds


def rows_of(workbook_path, entries):
    """[(entry, port name, "R"/"P", typed?, text?, array?)] of every signal row, sheets in entry order."""
    import openpyxl
    book = openpyxl.load_workbook(workbook_path, read_only=True)
    rows = []
    for entry, sheet in zip(entries, book.worksheets):
        for values in sheet.iter_rows(min_row=2, values_only=True):
            values = list(values) + [None] * 15
            for direction, columns in (("R", INPUT_COLUMNS), ("P", OUTPUT_COLUMNS)):
                signal, type_name, text = [values[ord(c) - ord("A")] for c in columns]
                if direction == "P" and not values[9]:   # J, the output module, marks an output row
                    continue
                if direction == "R" and not signal:
                    continue
                name = (signal or "").split("[", 1)[0]
                rows.append((entry, name, direction, bool(type_name), bool(text), "[" in (signal or "")))
    book.close()
    return rows


def run_mode(directory, mode, repeat):
    from Velvane.Tessaly import Tessaly
    entries = [e for e in os.listdir(directory) if e.endswith(".arxml")]
    scratch = tempfile.mkdtemp(prefix="bench-resolve-")
    here = os.getcwd()
    os.chdir(scratch)
    try:
        seconds = best_of(repeat, lambda: Tessaly().load(directory, resolve=mode))
        return seconds, rows_of(os.path.join(scratch, "SignalList.xlsx"), entries)
    finally:
        os.chdir(here)
        shutil.rmtree(scratch)


def share(count, total):
    return "%5d %6.1f %%" % (count, 100.0 * count / total) if total else "%5d      - " % count


def measure(label, directory, repeat):
    from Velvane.Tessaly import _ProjectTypes
    kinds = port_kinds(directory)
    size = sum(os.path.getsize(os.path.join(directory, e)) for e in os.listdir(directory) if e.endswith(".arxml"))
    files = len([e for e in os.listdir(directory) if e.endswith(".arxml")])
    results = dict((mode, run_mode(directory, mode, repeat)) for mode in MODES)
    index_seconds = best_of(repeat, lambda: _ProjectTypes(directory))

    print("%s: %s, %d files, %.2f MB" % (label, directory, files, size / 1e6))
    groups = [("ports", lambda row: True),
              ("sender-receiver", lambda row: kinds.get(row[:3], (False, False))[0]),
              ("in directory", lambda row: kinds.get(row[:3], (False, False))[1])]
    print("  %-16s %6s   %-13s %-13s %-13s %-13s" % ("", "rows", "typed file", "typed project",
                                                       "text project", "array project"))
    for name, keep in groups:
        line = "  %-16s" % name
        counts = None
        for mode in MODES:
            rows = [r for r in results[mode][1] if keep(r)]
            if counts is None:
                counts = len(rows)
                line += " %6d  " % counts
            line += " %s" % share(sum(1 for r in rows if r[3]), counts)
            if mode == "project":
                line += " %s %s" % (share(sum(1 for r in rows if r[4]), counts),
                                    share(sum(1 for r in rows if r[5]), counts))
        print(line)
    print("  load  file %.1f ms, project %.1f ms (index alone %.1f ms)"
          % (results["file"][0] * 1e3, results["project"][0] * 1e3, index_seconds * 1e3))
    print()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=12, help="components of the generated corpus")
    parser.add_argument("--mb-per-file", type=float, default=0.5)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--samples", default=os.path.normpath(os.path.join(REPO, "..", "shared", "arxml")))
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpus (reused when its parameters match)")
    args = parser.parse_args(argv)
    if os.path.isdir(args.samples):
        measure("public samples", args.samples, args.repeat)
    else:
        print("public samples: %s is not there, skipped\n" % args.samples)
    import gen_corpus
    corpus = os.path.join(args.corpus, "split-%dx%g" % (args.files, args.mb_per_file))
    gen_corpus.ensure_corpus(corpus, args.files, args.mb_per_file, layout="split")
    measure("generated split corpus", corpus, args.repeat)
    return 0


if __name__ == "__main__":
    sys.exit(main())
