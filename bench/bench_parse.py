#!/usr/bin/env python3
"""Parse speed, child-read cost and parse memory of the ARXML binding, beside lxml and bare pugixml.

    PYTHONPATH=build/dev-3.13/python .venv/3.13/bin/python bench/bench_parse.py [--files 50] [--mb-per-file 2.8]

Everything is measured in one run on the same generated corpus (cached under build/bench-corpus/):

- parse speed in MB/s (MB = 1,000,000 bytes), each the best of --rounds passes over all files, the parsed
  document dropped right after each parse: Omdra.Corvenna.AUTOSAR_00048.parse, lxml.etree.parse (skipped
  with a note when lxml is not installed), and bench/native's bare_pugixml (built here when needed) in its
  three ways: load_file, load_buffer from memory, load_buffer_inplace with buffer and document reused;
- the cost of reading one child from Python (elem.SHORT_NAME on an element already read) against a plain
  Python instance attribute read, with timeit, the empty-loop overhead shown and taken off;
- the peak memory of one parse of the largest file, relative to its size: the peak resident size of a
  fresh subprocess after the parse minus the same subprocess's figure just before it (see MEMORY_PROBE
  for why that is VmHWM rather than ru_maxrss on Linux).
"""
import argparse
import gc
import os
import re
import subprocess
import sys
import time
import timeit

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(REPO, "tools"))

import gen_corpus  # noqa: E402

MB = 1e6
NATIVE_SOURCE = os.path.join(HERE, "native")
NATIVE_BUILD = os.path.join(REPO, "build", "bench-native")

# Targets printed beside the figures.
PARSE_VS_LXML = 5.0         # ours at least 5x lxml
BARE_VS_OURS = 1.5          # bare reused pugixml at most 1.5x ours
CHILD_VS_ATTRIBUTE = 2.0    # one child read at most 2x a plain attribute read (net of the loop)
MEMORY_VS_FILE = 4.0        # peak memory of one parse at most 4x the file

# Run in a fresh interpreter: prints the process's peak resident size (bytes) just before and just
# after parsing argv[2] with the parser named by argv[1]; the parsed document is still alive at the
# second reading. On Linux the peak is VmHWM of /proc/self/status, reset to the current size first:
# ru_maxrss of a child also counts the RSS its parent had when it forked (the kernel carries the old
# image's high-water mark over exec), which for a bench process holding lxml trees is far above what
# one parse adds. Elsewhere ru_maxrss is used as it is.
MEMORY_PROBE = r"""
import resource, sys

def peak():
    try:
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
    except (IOError, OSError):
        pass
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * (1 if sys.platform == "darwin" else 1024)

which, path = sys.argv[1], sys.argv[2]
if which == "ours":
    from Omdra.Corvenna import AUTOSAR_00048
    parse = lambda p: AUTOSAR_00048.parse(p, True)
else:
    import lxml.etree
    parse = lxml.etree.parse
try:
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")                  # peak := current
except (IOError, OSError):
    pass
before = peak()
document = parse(path)
after = peak()
print(before, after)
"""

def verdict(ok):
    return "met" if ok else "NOT met"


def best_pass(parse, paths, rounds):
    """Seconds of the fastest of `rounds` passes parsing every file once, dropping each result."""
    best = float("inf")
    for _ in range(rounds):
        gc.collect()
        start = time.perf_counter()
        for p in paths:
            parse(p)
        best = min(best, time.perf_counter() - start)
    return best


def build_native():
    """Path of bare_pugixml, configured and built under build/bench-native when needed; None with a
    printed note when it cannot be built."""
    binary = os.path.join(NATIVE_BUILD, "bare_pugixml")
    try:
        if not os.path.isfile(os.path.join(NATIVE_BUILD, "CMakeCache.txt")):
            subprocess.check_call(["cmake", "-S", NATIVE_SOURCE, "-B", NATIVE_BUILD, "-DCMAKE_BUILD_TYPE=Release"],
                                  stdout=subprocess.DEVNULL)
        subprocess.check_call(["cmake", "--build", NATIVE_BUILD, "-j", "2"], stdout=subprocess.DEVNULL)
    except (OSError, subprocess.CalledProcessError) as e:
        print("note: bench/native could not be built (%s); bare pugixml figures skipped" % e)
        return None
    return binary


def run_native(binary, paths, rounds):
    """{mode: MB/s} from bare_pugixml's "mode=... mb_per_s=..." lines."""
    out = subprocess.check_output([binary, "--rounds", str(rounds)] + list(paths), universal_newlines=True)
    figures = {}
    for line in out.splitlines():
        m = re.match(r"mode=(\S+) mb_per_s=([0-9.]+)", line)
        if m:
            figures[m.group(1)] = float(m.group(2))
    return figures


def child_read_ns(element, number, repeat):
    """(empty loop, elem.SHORT_NAME, plain attribute) in ns per iteration, best of `repeat`."""
    class Plain(object):
        pass

    plain = Plain()
    plain.SHORT_NAME = element.SHORT_NAME
    names = {"elem": element, "plain": plain}

    def per_op(stmt):
        return min(timeit.repeat(stmt, globals=names, number=number, repeat=repeat)) / number * 1e9

    return per_op("pass"), per_op("elem.SHORT_NAME"), per_op("plain.SHORT_NAME")


def peak_memory(which, path):
    """Bytes that the peak resident size grows by while one fresh interpreter parses `path`."""
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    out = subprocess.check_output([sys.executable, "-c", MEMORY_PROBE, which, path], env=env,
                                  universal_newlines=True)
    before, after = [int(x) for x in out.split()]
    return after - before


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--files", type=int, default=50)
    parser.add_argument("--mb-per-file", type=float, default=2.8)
    parser.add_argument("--seed", default="1")
    parser.add_argument("--rounds", type=int, default=5, help="passes per parser; the best counts (default 5)")
    parser.add_argument("--number", type=int, default=1000000, help="timeit loop count for the child read")
    parser.add_argument("--corpus", default=os.path.join(REPO, "build", "bench-corpus"),
                        help="directory of the generated corpora (reused when their parameters match)")
    args = parser.parse_args(argv)

    try:
        from Omdra.Corvenna import AUTOSAR_00048
    except ImportError as e:
        sys.exit("cannot import the binding (%s): put a build on PYTHONPATH, for example\n"
                 "  tools/dev_build.sh && PYTHONPATH=build/dev-3.13/python python bench/bench_parse.py" % e)
    try:
        import lxml.etree as etree
    except ImportError:
        etree = None

    corpus = os.path.join(args.corpus, "file-%dx%g" % (args.files, args.mb_per_file))
    paths = gen_corpus.ensure_corpus(corpus, args.files, args.mb_per_file, seed=args.seed, layout="file")
    sizes = [os.path.getsize(p) for p in paths]
    total = sum(sizes)
    for p in paths:                                # into the page cache before anything is timed
        with open(p, "rb") as f:
            f.read()
    print("corpus          %d files, %.1f MB, layout file (%s)" % (len(paths), total / MB, os.path.relpath(corpus)))
    print("python          %s" % sys.version.split()[0])

    print("\nparse speed, MB/s, best of %d passes" % args.rounds)
    ours = total / MB / best_pass(lambda p: AUTOSAR_00048.parse(p, True), paths, args.rounds)
    print("  %-34s %8.1f" % ("Omdra.Corvenna.AUTOSAR_00048.parse", ours))
    lxml_speed = None
    if etree is None:
        print("  %-34s %8s  (lxml is not installed: pip install lxml)" % ("lxml.etree.parse", "skipped"))
    else:
        lxml_speed = total / MB / best_pass(etree.parse, paths, args.rounds)
        print("  %-34s %8.1f" % ("lxml.etree.parse", lxml_speed))
    bare = {}
    binary = build_native()
    if binary:
        bare = run_native(binary, paths, args.rounds)
        for mode, label in (("load_file", "bare pugixml, load_file"), ("load_buffer", "bare pugixml, load_buffer"),
                            ("inplace_reused", "bare pugixml, in place, reused")):
            if mode in bare:
                print("  %-34s %8.1f" % (label, bare[mode]))
    if lxml_speed:
        ratio = ours / lxml_speed
        print("  %-34s %8.2f   target >= %g: %s" % ("ours / lxml", ratio, PARSE_VS_LXML,
                                                      verdict(ratio >= PARSE_VS_LXML)))
    if "inplace_reused" in bare:
        ratio = bare["inplace_reused"] / ours
        print("  %-34s %8.2f   target <= %g: %s" % ("bare reused / ours", ratio, BARE_VS_OURS,
                                                      verdict(ratio <= BARE_VS_OURS)))

    root = AUTOSAR_00048.parse(paths[0], True)
    port = root.AR_PACKAGES.AR_PACKAGE[0].ELEMENTS.APPLICATION_SW_COMPONENT_TYPE[0].PORTS.R_PORT_PROTOTYPE[0]
    empty, child, plain = child_read_ns(port, args.number, args.rounds)
    print("\nchild read, ns per read, timeit best of %d x %d (an R-PORT-PROTOTYPE already read)"
          % (args.rounds, args.number))
    print("  %-34s %8.1f" % ("empty loop", empty))
    print("  %-34s %8.1f   net %6.1f" % ("elem.SHORT_NAME", child, child - empty))
    print("  %-34s %8.1f   net %6.1f" % ("plain instance attribute", plain, plain - empty))
    ratio = (child - empty) / max(plain - empty, 1e-3)
    print("  %-34s %8.2f   target <= %g: %s" % ("child / attribute, net", ratio, CHILD_VS_ATTRIBUTE,
                                                  verdict(ratio <= CHILD_VS_ATTRIBUTE)))
    del root, port

    largest = paths[sizes.index(max(sizes))]
    size = max(sizes)
    print("\npeak memory of one parse, fresh process: %s, %.2f MB" % (os.path.basename(largest), size / MB))
    grown = peak_memory("ours", largest)
    print("  %-34s %8.2f MB  %5.2fx the file   target <= %g: %s"
          % ("Omdra.Corvenna.AUTOSAR_00048.parse", grown / MB, grown / float(size), MEMORY_VS_FILE,
             verdict(grown <= MEMORY_VS_FILE * size)))
    if etree is not None:
        grown = peak_memory("lxml", largest)
        print("  %-34s %8.2f MB  %5.2fx the file   (for comparison)" % ("lxml.etree.parse", grown / MB,
                                                                          grown / float(size)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
