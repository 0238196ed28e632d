#!/usr/bin/env python3
"""What the shape of a file costs: peak memory and time of the whole command on one generated file of
each hostile shape, beside a flat file of the same size.

    PYTHONPATH=build/dev-3.13/python python bench/bench_shapes.py [--mb 4] [--only SHAPE,...]
        [--baseline OTHER_PYTHONPATH] [--limit-mb 3000] [--timeout 300]

Each shape is one file of about --mb MB, run through `python -m Velvane DIR -k --details --connections`
in a child process (each child limited to --limit-mb of address space and --timeout seconds, so that
a blow-up shows as a failure instead of taking the machine). For each: exit status, wall time and its
ratio to the flat file's, peak resident memory (ru_maxrss of that child) against three times the file
plus 150 MB, and the first line of standard error. Targets: memory within that bound, time at most
3 times the flat file's. A shape that goes beyond what any real file has may be refused with a
message instead (exit status 1): the figures then say what the refusal cost.

With --baseline, every shape runs a second time with that PYTHONPATH (another build) beside this one.
"""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HEAD = ('<?xml version="1.0" encoding="UTF-8"?>\n<AUTOSAR xmlns="http://autosar.org/schema/r4.0">\n'
        '<AR-PACKAGES>\n')
TAIL = '</AR-PACKAGES>\n</AUTOSAR>\n'
TIME_RATIO_TARGET = 3.0

PROPS = ("<SW-DATA-DEF-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>%s"
         "</SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></SW-DATA-DEF-PROPS>")


def package(name, elements="", subpackages=""):
    return ("<AR-PACKAGE><SHORT-NAME>%s</SHORT-NAME><ELEMENTS>%s</ELEMENTS>%s</AR-PACKAGE>\n"
            % (name, elements, "<AR-PACKAGES>%s</AR-PACKAGES>" % subpackages if subpackages else ""))


def port(name, interface, element=None, init="", provided=False):
    kind, tref, specs, spec = (("P", "PROVIDED", "PROVIDED-COM-SPECS", "NONQUEUED-SENDER-COM-SPEC") if provided
                               else ("R", "REQUIRED", "REQUIRED-COM-SPECS", "NONQUEUED-RECEIVER-COM-SPEC"))
    com_spec = ""
    if element or init:
        com_spec = "<%s><%s>%s%s</%s></%s>" % (
            specs, spec, "<DATA-ELEMENT-REF>%s</DATA-ELEMENT-REF>" % element if element else "",
            "<INIT-VALUE>%s</INIT-VALUE>" % init if init else "", spec, specs)
    return ("<%s-PORT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s<%s-INTERFACE-TREF DEST=\"SENDER-RECEIVER-INTERFACE\">"
            "%s</%s-INTERFACE-TREF></%s-PORT-PROTOTYPE>\n" % (kind, name, com_spec, tref, interface, tref, kind))


def component(ports, extra=""):
    return ("<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>Swc</SHORT-NAME><PORTS>%s</PORTS>%s"
            "</APPLICATION-SW-COMPONENT-TYPE>\n" % ("".join(ports), extra))


def interface(name, elements):
    return ("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME><DATA-ELEMENTS>%s</DATA-ELEMENTS>"
            "</SENDER-RECEIVER-INTERFACE>\n" % (name, "".join(
                "<VARIABLE-DATA-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME><TYPE-TREF>%s</TYPE-TREF>"
                "</VARIABLE-DATA-PROTOTYPE>" % element for element in elements)))


def value_type(name, compu=None, category="VALUE", target=None):
    refs = "<BASE-TYPE-REF>/Pkg/uint8</BASE-TYPE-REF>"
    if compu:
        refs += "<COMPU-METHOD-REF>%s</COMPU-METHOD-REF>" % compu
    if target:
        refs = "<IMPLEMENTATION-DATA-TYPE-REF>%s</IMPLEMENTATION-DATA-TYPE-REF>" % target
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>%s</SHORT-NAME><CATEGORY>%s</CATEGORY>%s"
            "</IMPLEMENTATION-DATA-TYPE>\n" % (name, category, PROPS % refs))


def compu_method(name, literals):
    return ("<COMPU-METHOD><SHORT-NAME>%s</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY><COMPU-INTERNAL-TO-PHYS>"
            "<COMPU-SCALES>%s</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>\n" % (name, "".join(
                "<COMPU-SCALE><LOWER-LIMIT>%d</LOWER-LIMIT><COMPU-CONST><VT>%s</VT></COMPU-CONST></COMPU-SCALE>"
                % (i, literal) for i, literal in enumerate(literals))))


def document(body):
    return HEAD + body + TAIL


def count_for(size, unit):
    return max(1, size // unit)


# -- the shapes: each a function of the wanted size in bytes, returning the file's text --

def flat(size):
    """What a real file looks like: one component whose ports each have an interface, an enumeration
    type and its compu method, com specs with init values."""
    n = count_for(size, 1500)
    elements = [component([port("In_S%d" % i, "/Pkg/If_%d" % i, "/Pkg/If_%d/d" % i,
                                "<NUMERICAL-VALUE-SPECIFICATION><VALUE>0</VALUE></NUMERICAL-VALUE-SPECIFICATION>")
                           for i in range(n)])]
    for i in range(n):
        elements.append(interface("If_%d" % i, [("d", "/Pkg/T_%d" % i)]))
        elements.append(value_type("T_%d" % i, compu="/Pkg/COMPU_T_%d" % i))
        elements.append(compu_method("COMPU_T_%d" % i, ["Off", "On", "Error"]))
    return document(package("Pkg", "".join(elements)))


def deep_packages(size):
    """AR-PACKAGEs nested in each other, each with one element."""
    n = count_for(size, 140)
    opening = "".join("<AR-PACKAGE><SHORT-NAME>P%d</SHORT-NAME><ELEMENTS><UNIT><SHORT-NAME>U</SHORT-NAME></UNIT>"
                      "</ELEMENTS><AR-PACKAGES>\n" % i for i in range(n))
    return document(opening + "</AR-PACKAGES></AR-PACKAGE>\n" * n)


def long_paths(size):
    """60 packages of 100-character names, the innermost holding many small elements and relative
    references: paths long beside the elements they name."""
    names = ["N%03d" % i + "x" * 96 for i in range(60)]
    inner_size = size - 60 * 250
    n = count_for(inner_size, 200)
    base = ("<REFERENCE-BASES><REFERENCE-BASE><SHORT-LABEL>b</SHORT-LABEL><IS-DEFAULT>true</IS-DEFAULT>"
            "<BASE-IS-THIS-PACKAGE>true</BASE-IS-THIS-PACKAGE></REFERENCE-BASE></REFERENCE-BASES>")
    elements = "".join("<UNIT><SHORT-NAME>U%d</SHORT-NAME></UNIT><SENDER-RECEIVER-INTERFACE><SHORT-NAME>I%d"
                       "</SHORT-NAME><DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE><SHORT-NAME>d</SHORT-NAME><TYPE-TREF>"
                       "U%d</TYPE-TREF></VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>\n"
                       % (i, i, i) for i in range(n))
    text = "<AR-PACKAGE><SHORT-NAME>%s</SHORT-NAME>" + base + "<ELEMENTS>%s</ELEMENTS><AR-PACKAGES>\n"
    opening = "".join(text % (name, elements if i == len(names) - 1 else "") for i, name in enumerate(names))
    return document(opening + "</AR-PACKAGES></AR-PACKAGE>\n" * len(names))


def long_package_name(size):
    """One package whose name is a quarter of the file, holding many small elements."""
    name = "P" * (size // 4)
    n = count_for(size - len(name), 40)
    return document(package(name, "".join("<UNIT><SHORT-NAME>U%d</SHORT-NAME></UNIT>\n" % i for i in range(n))))


def long_reference_base(size):
    """A reference base naming a package path a quarter of the file long, and many short relative
    references through it."""
    base = "/" + "B" * (size // 4)
    n = count_for(size - len(base), 180)
    bases = ("<REFERENCE-BASES><REFERENCE-BASE><SHORT-LABEL>b</SHORT-LABEL><IS-DEFAULT>true</IS-DEFAULT>"
             "<PACKAGE-REF>%s</PACKAGE-REF></REFERENCE-BASE></REFERENCE-BASES>" % base)
    elements = interface("If", [("d%d" % i, "T%d" % i) for i in range(n)])
    return document("<AR-PACKAGE><SHORT-NAME>Pkg</SHORT-NAME>%s<ELEMENTS>%s</ELEMENTS></AR-PACKAGE>"
                    % (bases, elements))


def deep_values(size):
    """An init value of records nested in records."""
    n = count_for(size, 110)
    value = ("<RECORD-VALUE-SPECIFICATION><FIELDS>" * n +
             "<NUMERICAL-VALUE-SPECIFICATION><VALUE>1</VALUE></NUMERICAL-VALUE-SPECIFICATION>" +
             "</FIELDS></RECORD-VALUE-SPECIFICATION>" * n)
    body = component([port("In_A", "/Pkg/If", "/Pkg/If/d", value)]) + interface("If", [("d", "/Pkg/T")])
    return document(package("Pkg", body))


def constant_fanout(size):
    """Constants whose records name the next constant ten times, and many ports whose init value
    names the first: each init value would grow to ten to the power of the chain."""
    chain = 8
    constants = "".join(
        "<CONSTANT-SPECIFICATION><SHORT-NAME>K%d</SHORT-NAME><VALUE-SPEC><RECORD-VALUE-SPECIFICATION><FIELDS>%s"
        "</FIELDS></RECORD-VALUE-SPECIFICATION></VALUE-SPEC></CONSTANT-SPECIFICATION>\n"
        % (i, "<CONSTANT-REFERENCE><CONSTANT-REF>/Pkg/K%d</CONSTANT-REF></CONSTANT-REFERENCE>" % (i + 1) * 10)
        for i in range(chain))
    constants += ("<CONSTANT-SPECIFICATION><SHORT-NAME>K%d</SHORT-NAME><VALUE-SPEC><NUMERICAL-VALUE-SPECIFICATION>"
                  "<VALUE>12345</VALUE></NUMERICAL-VALUE-SPECIFICATION></VALUE-SPEC></CONSTANT-SPECIFICATION>"
                  % chain)
    n = count_for(size, 330)
    init = "<CONSTANT-REFERENCE><CONSTANT-REF>/Pkg/K0</CONSTANT-REF></CONSTANT-REFERENCE>"
    ports = [port("In_%d" % i, "/Pkg/If", "/Pkg/If/d", init) for i in range(n)]
    body = component(ports) + interface("If", [("d", "/Pkg/T")]) + constants
    return document(package("Pkg", body))


def constant_fanout_distinct(size):
    """The same, each port's init value a record of its own number and the first constant: every
    init value a different text."""
    text = constant_fanout(size // 2)
    n = count_for(size // 2, 500)
    inits = ["<RECORD-VALUE-SPECIFICATION><FIELDS><NUMERICAL-VALUE-SPECIFICATION><VALUE>%d</VALUE>"
             "</NUMERICAL-VALUE-SPECIFICATION><CONSTANT-REFERENCE><CONSTANT-REF>/Pkg/K0</CONSTANT-REF>"
             "</CONSTANT-REFERENCE></FIELDS></RECORD-VALUE-SPECIFICATION>" % i for i in range(n)]
    ports = "".join(port("In_D%d" % i, "/Pkg/If", "/Pkg/If/d", init) for i, init in enumerate(inits))
    return text.replace("<PORTS>", "<PORTS>" + ports, 1)


def shared_description(size):
    """An interface whose description is half the file, and many ports of it."""
    desc = "<DESC><L-2 L=\"EN\">%s</L-2></DESC>" % ("word " * (size // 10))
    m = count_for(size // 2, 200)
    ports = [port("In_%d" % i, "/Pkg/If") for i in range(m)]
    body = component(ports) + interface("If", [("d", "/Pkg/T")]).replace("</SHORT-NAME>", "</SHORT-NAME>" + desc, 1)
    return document(package("Pkg", body))


def type_chain(size):
    """TYPE_REFERENCE types each naming the next, and many ports typed through the first."""
    n = count_for(size // 2, 330)
    types = "".join(value_type("T%d" % i, category="TYPE_REFERENCE", target="/Pkg/T%d" % (i + 1)) for i in range(n))
    types += value_type("T%d" % n)
    m = count_for(size // 2, 200)
    ports = [port("In_%d" % i, "/Pkg/If") for i in range(m)]
    return document(package("Pkg", component(ports) + interface("If", [("d", "/Pkg/T0")]) + types))


def enumeration_fanout(size):
    """One enumeration of many literals, and many ports of that type."""
    n = count_for(size // 2, 90)
    m = count_for(size // 2, 200)
    ports = [port("In_%d" % i, "/Pkg/If") for i in range(m)]
    body = (component(ports) + interface("If", [("d", "/Pkg/E")]) + value_type("E", compu="/Pkg/COMPU_E") +
            compu_method("COMPU_E", ["L%d" % i for i in range(n)]))
    return document(package("Pkg", body))


def element_fanout(size):
    """One interface of many data elements, and many ports naming its last one."""
    n = count_for(size // 2, 110)
    m = count_for(size // 2, 330)
    ports = [port("In_%d" % i, "/Pkg/If", "/Pkg/If/d%d" % (n - 1)) for i in range(m)]
    body = component(ports) + interface("If", [("d%d" % i, "/Pkg/T") for i in range(n)])
    return document(package("Pkg", body))


def mapping_fanout(size):
    """A data type mapping set of many maps, the component's, and many ports of the application type
    mapped last."""
    n = count_for(size // 2, 200)
    m = count_for(size // 2, 200)
    maps = "".join("<DATA-TYPE-MAP><APPLICATION-DATA-TYPE-REF>/Pkg/A%d</APPLICATION-DATA-TYPE-REF>"
                   "<IMPLEMENTATION-DATA-TYPE-REF>/Pkg/T</IMPLEMENTATION-DATA-TYPE-REF></DATA-TYPE-MAP>" % i
                   for i in range(n))
    behaviour = ("<INTERNAL-BEHAVIORS><SWC-INTERNAL-BEHAVIOR><SHORT-NAME>B</SHORT-NAME><DATA-TYPE-MAPPING-REFS>"
                 "<DATA-TYPE-MAPPING-REF>/Pkg/Maps</DATA-TYPE-MAPPING-REF></DATA-TYPE-MAPPING-REFS>"
                 "</SWC-INTERNAL-BEHAVIOR></INTERNAL-BEHAVIORS>")
    ports = [port("In_%d" % i, "/Pkg/If") for i in range(m)]
    body = (component(ports, behaviour) + interface("If", [("d", "/Pkg/A%d" % (n - 1))]) +
            "<APPLICATION-PRIMITIVE-DATA-TYPE><SHORT-NAME>A%d</SHORT-NAME><CATEGORY>VALUE</CATEGORY>"
            "</APPLICATION-PRIMITIVE-DATA-TYPE>" % (n - 1) + value_type("T") +
            "<DATA-TYPE-MAPPING-SET><SHORT-NAME>Maps</SHORT-NAME><DATA-TYPE-MAPS>%s</DATA-TYPE-MAPS>"
            "</DATA-TYPE-MAPPING-SET>" % maps)
    return document(package("Pkg", body))


def array_names(size):
    """Many ARRAY types, each with an element of its own name."""
    n = count_for(size, 200)
    types = "".join("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>A%d</SHORT-NAME><CATEGORY>ARRAY</CATEGORY><SUB-ELEMENTS>"
                    "<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>e%d</SHORT-NAME></IMPLEMENTATION-DATA-TYPE-ELEMENT>"
                    "</SUB-ELEMENTS></IMPLEMENTATION-DATA-TYPE>\n" % (i, i) for i in range(n))
    return document(package("Pkg", component([port("In_A", "/Pkg/If")]) + types))


def runnables(size):
    """A component in a sub-package whose behaviour has many runnables, each with a data access."""
    n = count_for(size, 330)
    runnable = ("<RUNNABLE-ENTITY><SHORT-NAME>R%d</SHORT-NAME><DATA-RECEIVE-POINT-BY-ARGUMENTS><VARIABLE-ACCESS>"
                "<SHORT-NAME>a</SHORT-NAME></VARIABLE-ACCESS></DATA-RECEIVE-POINT-BY-ARGUMENTS></RUNNABLE-ENTITY>\n")
    behaviour = ("<INTERNAL-BEHAVIORS><SWC-INTERNAL-BEHAVIOR><SHORT-NAME>B</SHORT-NAME><RUNNABLES>%s</RUNNABLES>"
                 "</SWC-INTERNAL-BEHAVIOR></INTERNAL-BEHAVIORS>" % "".join(runnable % i for i in range(n)))
    inner = package("Inner", component([port("In_A", "/Top/Inner/If")], behaviour))
    return document(package("Top", "", inner))


def connectors(size):
    """A composition of many prototypes and assembly connectors."""
    n = count_for(size, 700)
    prototypes = "".join("<SW-COMPONENT-PROTOTYPE><SHORT-NAME>p%d</SHORT-NAME><TYPE-TREF>/Pkg/Swc</TYPE-TREF>"
                         "</SW-COMPONENT-PROTOTYPE>" % i for i in range(n))
    wires = "".join(
        "<ASSEMBLY-SW-CONNECTOR><SHORT-NAME>c%d</SHORT-NAME><PROVIDER-IREF><CONTEXT-COMPONENT-REF>/Pkg/Top/p%d"
        "</CONTEXT-COMPONENT-REF><TARGET-P-PORT-REF>/Pkg/Swc/Out</TARGET-P-PORT-REF></PROVIDER-IREF><REQUESTER-IREF>"
        "<CONTEXT-COMPONENT-REF>/Pkg/Top/p%d</CONTEXT-COMPONENT-REF><TARGET-R-PORT-REF>/Pkg/Swc/In_A"
        "</TARGET-R-PORT-REF></REQUESTER-IREF></ASSEMBLY-SW-CONNECTOR>" % (i, i, (i + 1) % n) for i in range(n))
    composition = ("<COMPOSITION-SW-COMPONENT-TYPE><SHORT-NAME>Top</SHORT-NAME><COMPONENTS>%s</COMPONENTS>"
                   "<CONNECTORS>%s</CONNECTORS></COMPOSITION-SW-COMPONENT-TYPE>" % (prototypes, wires))
    swc = component([port("In_A", "/Pkg/If"), port("Out", "/Pkg/If", provided=True)])
    return document(package("Pkg", swc + interface("If", [("d", "/Pkg/T")]) + composition))


SHAPES = [flat, deep_packages, long_paths, long_package_name, long_reference_base, deep_values,
          constant_fanout, constant_fanout_distinct, shared_description, type_chain, enumeration_fanout, element_fanout, mapping_fanout, array_names,
          runnables, connectors]


def exit_status(code):
    """The exit status as subprocess gives it: negative for a signal."""
    if os.WIFSIGNALED(code):
        return -os.WTERMSIG(code)
    return os.WEXITSTATUS(code)


def measured(pythonpath, directory, output, limit_mb, timeout):
    """Exit status, seconds, peak MB of the child and its first line of standard error."""
    env = dict(os.environ, PYTHONPATH=pythonpath)

    def limited():
        limit = limit_mb * 1024 * 1024
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    command = [sys.executable, "-m", "Velvane", directory, "-k", "--details", "--connections", "-q", "-o", output]
    errors_file = tempfile.TemporaryFile(mode="w+")
    started = time.perf_counter()
    child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=errors_file, preexec_fn=limited)
    status, peak = None, 0.0
    deadline = started + timeout
    while True:
        pid, code, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            child.returncode = exit_status(code)
            status, peak = child.returncode, usage.ru_maxrss / 1024.0
            break
        if time.perf_counter() > deadline:
            child.kill()
            _, _, usage = os.wait4(child.pid, 0)
            status, peak = "timeout", usage.ru_maxrss / 1024.0
            break
        time.sleep(0.01)
    seconds = time.perf_counter() - started
    errors_file.seek(0)
    first = (errors_file.read().splitlines() or [""])[0]
    return status, seconds, peak, first


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--mb", type=float, default=4.0, help="size of each file in MB (default 4)")
    parser.add_argument("--only", default="", help="comma-separated shape names")
    parser.add_argument("--baseline", help="PYTHONPATH of another build, run beside this one")
    parser.add_argument("--limit-mb", type=int, default=3000, help="address space of each child (MB)")
    parser.add_argument("--timeout", type=float, default=300.0, help="seconds each child may take")
    parser.add_argument("--keep", help="write the files under this folder and keep them")
    options = parser.parse_args()

    size = int(options.mb * 1e6)
    wanted = [s for s in SHAPES if not options.only or s.__name__ in options.only.split(",")]
    if flat not in wanted:
        wanted.insert(0, flat)
    builds = [("this", os.environ.get("PYTHONPATH", ""))]
    if options.baseline:
        builds.append(("baseline", options.baseline))
    scratch = options.keep or tempfile.mkdtemp(prefix="velvane-shapes-")
    flat_seconds = {}
    print("%-20s %-8s %6s %6s %8s %6s %9s %8s %s" % ("shape", "build", "MB", "status", "seconds", "x flat",
                                                     "peak MB", "bound", "first message"))
    try:
        for shape in wanted:
            directory = os.path.join(scratch, shape.__name__)
            os.makedirs(directory, exist_ok=True)
            path = os.path.join(directory, shape.__name__ + ".arxml")
            with open(path, "w") as handle:
                handle.write(shape(size))
            file_mb = os.path.getsize(path) / 1e6
            bound = 3 * file_mb + 150
            for build, pythonpath in builds:
                output = os.path.join(scratch, "out-%s.xlsx" % build)
                status, seconds, peak, first = measured(pythonpath, directory, output, options.limit_mb,
                                                        options.timeout)
                if shape is flat:
                    flat_seconds[build] = seconds
                ratio = seconds / flat_seconds[build] if flat_seconds.get(build) else float("nan")
                met = peak <= bound and ratio <= TIME_RATIO_TARGET and status in (0, 1)
                print("%-20s %-8s %6.2f %6s %8.2f %6.1f %9.1f %8.1f %s %s" % (
                    shape.__name__, build, file_mb, status, seconds, ratio, peak, bound,
                    "met" if met else "MISSED", first[:90]))
                sys.stdout.flush()
            if not options.keep:
                shutil.rmtree(directory)
    finally:
        if not options.keep:
            shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
