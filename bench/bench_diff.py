#!/usr/bin/env python3
"""velvane diff against a single velvane DIR --details run, side by side in one run.

    PYTHONPATH=build/dev-3.13/python python bench/bench_diff.py [--repeat N] [--ports P] [--edits E]

The benchmark's 50-file corpus (bench_targets.py's: "mixed" layout, P required and P provided ports
per file, about 140 MB) and an edited copy of it, E edits spread over its files (default 300): a third
rename a port, a third change an alive timeout, a third change the first value of an init value. Then:

time         `velvane diff CORPUS EDITED -q` / `velvane CORPUS --details -q -o ...`, each the best of
             --repeat, run interleaved in this process: at most 2.2
peak memory  ru_maxrss of a fresh interpreter running each command once: diff / details run below 2

The comparison must list exactly the edits: one row per timeout and init value changed and two per
port renamed (removed, added). The corpus is generated on first use and kept under build/bench-corpus.
"""
import argparse
import contextlib
import io
import json
import os
import random
import re
import resource
import subprocess
import sys
import tempfile
import time

from bench_targets import make_corpus

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)

TIME_RATIO_TARGET = 2.2
MEMORY_RATIO_TARGET = 2.0
EDIT_VERSION = 2  # the edited copy is made again when its edits change

PORT_BLOCK = re.compile(r"<([RP])-PORT-PROTOTYPE[ >].*?</\1-PORT-PROTOTYPE>", re.S)
NAME = re.compile(r"(<SHORT-NAME>)([^<]+)(</SHORT-NAME>)")
TIMEOUT = re.compile(r"(<ALIVE-TIMEOUT>)([^<]+)(</ALIVE-TIMEOUT>)")
INIT = re.compile(r"(<INIT-VALUE>.*?<(V|VT|VALUE)>)([^<]+)(</\2>)", re.S)  # its first value

# What each kind of edit does to a port's text: the pattern of the piece it changes, and the change.
EDITS = [
    ("port", NAME, lambda old: old + "_Renamed"),
    ("timeout", TIMEOUT, lambda old: "0.25" if old != "0.25" else "0.75"),
    ("init", INIT, lambda old: "42" if old != "42" else "43"),
]


def verdict(met):
    return "met" if met else "MISSED"


def edit_text(text, rng, count):
    """`text` with `count` edits, each to a port of its own, the kinds taking turns; returns it and the
    edits made per kind."""
    blocks = list(PORT_BLOCK.finditer(text))
    free = list(range(len(blocks)))
    rng.shuffle(free)
    changes = []  # (start, end, replacement) in the text
    made = dict((kind, 0) for kind, _, _ in EDITS)
    for turn in range(count):
        kind, pattern, change = EDITS[turn % len(EDITS)]
        for position, b in enumerate(free):
            found = pattern.search(blocks[b].group(0))
            if found:
                group = found.lastindex - 1  # the piece changed: the group before the closing tag
                start = blocks[b].start() + found.start(group)
                changes.append((start, start + len(found.group(group)), change(found.group(group))))
                made[kind] += 1
                del free[position]
                break
    for start, end, replacement in sorted(changes, reverse=True):  # from the end: offsets stay valid
        text = text[:start] + replacement + text[end:]
    return text, made


def edited_copy(paths, directory, edits):
    """The corpus `paths` copied into `directory` with `edits` edits; returns the edits per kind."""
    stamp_path = os.path.join(directory, "edits.json")
    stamp = {"version": EDIT_VERSION, "edits": edits,
             "files": [(os.path.basename(p), os.path.getsize(p)) for p in paths]}
    if os.path.isfile(stamp_path):
        with open(stamp_path) as f:
            kept = json.load(f)
        if kept["stamp"] == stamp:
            return kept["made"]
    os.makedirs(directory, exist_ok=True)
    for name in os.listdir(directory):
        os.remove(os.path.join(directory, name))
    rng = random.Random(20)
    made = {"port": 0, "timeout": 0, "init": 0}
    per_file = [edits // len(paths) + (1 if i < edits % len(paths) else 0) for i in range(len(paths))]
    for path, count in zip(paths, per_file):
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
        text, counts = edit_text(text, rng, count)
        for kind, n in counts.items():
            made[kind] += n
        with open(os.path.join(directory, os.path.basename(path)), "w", encoding="utf-8", newline="") as f:
            f.write(text)
    with open(stamp_path, "w") as f:
        json.dump({"stamp": stamp, "made": made}, f)
    return made


def details_run(corpus, output):
    from Velvane import cli
    return cli.main([corpus, "--details", "-q", "-o", output])


def diff_run(old, new):
    from Velvane import diff_command
    return diff_command.main([old, new, "-q"])


def quietly(work):
    with contextlib.redirect_stderr(io.StringIO()), contextlib.redirect_stdout(io.StringIO()):
        return work()


def peak_rss_mb(*arguments):
    command = [sys.executable, os.path.abspath(__file__)] + list(arguments)
    return int(subprocess.check_output(command, universal_newlines=True).split()[-1]) / 1024.0


def child(kind, corpus, edited):
    folder = tempfile.mkdtemp(prefix="bench-diff-")
    output = os.path.join(folder, "SignalList.xlsx")
    try:
        if kind == "details":
            quietly(lambda: details_run(corpus, output))
        else:
            quietly(lambda: diff_run(corpus, edited))
    finally:
        if os.path.exists(output):
            os.remove(output)
        os.rmdir(folder)
    print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
    return 0


def interleaved(corpus, edited, repeat):
    folder = tempfile.mkdtemp(prefix="bench-diff-")
    output = os.path.join(folder, "SignalList.xlsx")
    best = {"details": float("inf"), "diff": float("inf")}
    statuses = set()
    try:
        for _ in range(repeat):
            for kind in ("details", "diff"):
                begin = time.perf_counter()
                if kind == "details":
                    statuses.add(("details", quietly(lambda: details_run(corpus, output))))
                else:
                    statuses.add(("diff", quietly(lambda: diff_run(corpus, edited))))
                best[kind] = min(best[kind], time.perf_counter() - begin)
    finally:
        if os.path.exists(output):
            os.remove(output)
        os.rmdir(folder)
    assert statuses == {("details", 0), ("diff", 1)}, statuses
    return best


def check_changes(corpus, edited, made):
    """The rows the comparison lists, by kind, against the edits made."""
    from Velvane.Tessaly import compare
    kinds = {}
    for change in compare(corpus, edited):
        kinds[change.change] = kinds.get(change.change, 0) + 1
    expected = {"port removed": made["port"], "port added": made["port"], "timeout changed": made["timeout"],
                "init value changed": made["init"]}
    return kinds, {k: v for k, v in expected.items() if v}


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--ports", type=int, default=300, help="required and provided ports per file")
    parser.add_argument("--edits", type=int, default=300, help="edits in the second copy")
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpora (reused when their parameters match)")
    parser.add_argument("--child", nargs=3, metavar=("KIND", "CORPUS", "EDITED"), help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.child:
        return child(*args.child)

    corpus = os.path.join(args.corpus, "mixed-50x%dports" % args.ports)
    paths = make_corpus(corpus, 50, args.ports)
    edited = corpus + "-edited"
    made = edited_copy(paths, edited, args.edits)
    size = sum(os.path.getsize(p) for p in paths) / 1e6
    print("corpus: %d files, %.1f MB; the copy has %d edits (%d ports renamed, %d timeouts and %d init "
          "values changed)" % (len(paths), size, sum(made.values()), made["port"], made["timeout"], made["init"]))
    # Every memory child runs before this process grows (a child's ru_maxrss starts from its parent's).
    details_peak = peak_rss_mb("--child", "details", corpus, edited)
    diff_peak = peak_rss_mb("--child", "diff", corpus, edited)
    kinds, expected = check_changes(corpus, edited, made)
    print("  rows listed     %s   %s" % (", ".join("%d %s" % (n, k) for k, n in sorted(kinds.items())),
                                        "exactly the edits" if kinds == expected else "NOT the edits: %s" % expected))
    best = interleaved(corpus, edited, args.repeat)
    ratio = best["diff"] / best["details"]
    print("  time            velvane DIR --details %8.1f ms   velvane diff %8.1f ms   ratio %.2f   target <= %.1f: %s"
          % (best["details"] * 1e3, best["diff"] * 1e3, ratio, TIME_RATIO_TARGET, verdict(ratio <= TIME_RATIO_TARGET)))
    memory = diff_peak / details_peak
    print("  peak memory     velvane DIR --details %8.1f MB   velvane diff %8.1f MB   ratio %.2f   target < %.0f: %s"
          % (details_peak, diff_peak, memory, MEMORY_RATIO_TARGET, verdict(memory < MEMORY_RATIO_TARGET)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
