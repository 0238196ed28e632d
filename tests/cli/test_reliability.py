"""Files and signals that once gave Python internals, runaway memory or stray files: each failing file
is one sentence about it, located where the file has the fault; a structure beyond any real file is
refused within bounded memory; SIGINT, SIGTERM and SIGHUP stop the command with one line; a workbook
that cannot be written says why in words, the library's own lines kept back."""
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import time

import pytest

from Omdra.Corvenna import AUTOSAR_00048
from Velvane import _program
from Velvane.Tessaly import Tessaly

import split_projects as sp
from conftest import EXAMPLES, arxml_document
from test_cli import child_env, velvane

GOOD = sp.component("C", [sp.port("R", "In_A", "/P/If_A")])


def with_types(component, types=(), interfaces=(), compu_methods=()):
    """Component, interfaces and compu methods in /P, data types in /P/Types, where the analysis reads them."""
    return sp.packages(sp.package("P", [component] + list(interfaces) + list(compu_methods),
                                  subpackages=[sp.package("Types", list(types))]))


HERE = 'T="here"'  # marks the element a fault is located at


def marked(text, start_tag):
    """`text` with the first `start_tag` (as "<TAG>" or "<TAG/>") marked."""
    return text.replace(start_tag, start_tag[:-2 if start_tag.endswith("/>") else -1] + " " + HERE +
                        start_tag[-2 if start_tag.endswith("/>") else -1:], 1)


MEMBER = "<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>b</SHORT-NAME>"
# kind -> (the file's packages, the exception type load raises, the cause)
FAULTS = {
    "unnamed-required-port": (
        with_types(marked(sp.component("C", [sp.port("R", "", "/P/If_A")]), "<R-PORT-PROTOTYPE>")),
        TypeError, "R-PORT-PROTOTYPE without a name"),
    "data-element-without-type": (
        with_types(GOOD, interfaces=[marked(sp.sr_interface("If_A", [("d", "/P/Types/T")]).replace(
            '<TYPE-TREF DEST="IMPLEMENTATION-DATA-TYPE">/P/Types/T</TYPE-TREF>', "<TYPE-TREF/>"), "<TYPE-TREF/>")]),
        TypeError, "data element 'd' of interface /P/If_A names no type"),
    "unnamed-structure-member": (
        with_types(GOOD, [sp.struct_type("S", [("a", "/P/Types/U8", "IMPLEMENTATION-DATA-TYPE-REF"),
                                               ("b", "/P/Types/U8", "IMPLEMENTATION-DATA-TYPE-REF")])
                          .replace(MEMBER, MEMBER.replace("b", "").replace(">", " " + HERE + ">", 1))]),
        TypeError, "member of structure 'S' without a name"),
    "scale-without-text": (
        with_types(GOOD, compu_methods=[sp.compu_method("COMPU_E", ["On", "Off"]).replace(
            "<COMPU-CONST><VT>Off</VT>", "<COMPU-CONST %s>" % HERE)]),
        AttributeError, "scale of TEXTTABLE compu method 'COMPU_E' without VT"),
}


def located(text):
    """(line, column) of the '<' of the element marked HERE."""
    at = text.rindex("<", 0, text.index(HERE))
    return text.count("\n", 0, at) + 1, at - text.rfind("\n", 0, at)


@pytest.fixture
def faulty(tmp_path):
    """A folder holding one file per kind of fault, and a good one."""
    folder = tmp_path / "models"
    folder.mkdir()
    shutil.copy(os.path.join(EXAMPLES, "WiperControl.arxml"), str(folder))
    for kind, (body, _, _) in FAULTS.items():
        text = re.sub("><(?!/)", ">\n<", arxml_document(body))  # a line for each element
        (folder / (kind + ".arxml")).write_text(text, encoding="utf-8")
    return folder


def test_each_fault_is_a_sentence_located_in_the_file_with_its_old_exception_type(faulty, tmp_path):
    skipped = dict(Tessaly().load(str(faulty), output=str(tmp_path / "api.xlsx"), on_error="skip",
                                  resolve="project"))
    done = velvane(faulty, "-k", "--details", "--connections", "-o", tmp_path / "cli.xlsx")
    assert done.returncode == 1 and "Traceback" not in done.stderr
    lines = done.stderr.splitlines()
    for kind, (_, kind_of_error, cause) in sorted(FAULTS.items()):
        path = str(faulty / (kind + ".arxml"))
        with open(path, encoding="utf-8") as handle:
            line, column = located(handle.read())
        error = skipped[kind + ".arxml"]
        assert type(error) is kind_of_error, (kind, error)
        assert (error.cause, error.lineno, error.colno) == (cause, line, column), kind
        assert str(error) == "%s:%d:%d: %s" % (path, line, column, cause)
        assert "%s:%d:%d: error: %s" % (path, line, column, cause) in lines, (kind, lines)
    assert len([line for line in lines if ": error: " in line]) == len(FAULTS), lines


def test_a_message_is_one_line_whatever_the_file_holds():
    from Velvane import cli
    error = TypeError("x")
    error.cause = "interface /P/a\nb\x1b[31m names no type"
    assert cli.one_line(cli.describe_failure("m/a.arxml", error)) == \
        "m/a.arxml: error: interface /P/a\\nb\\x1b[31m names no type"


# -- structures beyond any real file: refused where they go too far, within bounded memory --

def nested_packages(levels):
    return ("<?xml version='1.0'?>\n<AUTOSAR xmlns='http://autosar.org/schema/r4.0'><AR-PACKAGES>\n" +
            "<AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><AR-PACKAGES>\n" * levels +
            "</AR-PACKAGES></AR-PACKAGE>\n" * levels + "</AR-PACKAGES></AUTOSAR>\n")


def long_package_paths(units):
    name = "N" * 20000
    return arxml_document(sp.packages(sp.package(name, ["<UNIT><SHORT-NAME>U%d</SHORT-NAME></UNIT>\n" % i
                                                        for i in range(units)])))


def peak_of_command(folder, output):
    """Exit status, standard error and peak resident megabytes of the command run over `folder`."""
    child = subprocess.Popen([sys.executable, "-m", "Velvane", str(folder), "-k", "--details", "--connections",
                              "-o", str(output)], env=child_env(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, universal_newlines=True)
    errors = child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.WEXITSTATUS(status)
    child.stderr.close()
    return child.returncode, errors, usage.ru_maxrss / 1024.0


@pytest.mark.parametrize("make, cause", [
    # the index's memory once grew with the square of the nesting: 30,000 levels took 2.8 GB
    (lambda: nested_packages(30000), "packages nested more than 500 deep"),
    # 2,000 elements in a package of a 20,000-character name: 40 MB of paths from a 0.1 MB file
    (lambda: long_package_paths(2000), "the AUTOSAR paths of this file"),
], ids=["nested", "long-paths"])
def test_a_structure_beyond_real_files_is_refused_within_bounded_memory(tmp_path, make, cause):
    text = make()
    folder = tmp_path / "models"
    folder.mkdir()
    (folder / "Odd.arxml").write_text(text, encoding="utf-8")
    shutil.copy(os.path.join(EXAMPLES, "DoorLock_Model.arxml"), str(folder))
    status, errors, peak = peak_of_command(folder, tmp_path / "out.xlsx")
    assert status == 1, errors
    assert re.match(r"^%s:\d+:\d+: error: %s" % (re.escape(str(folder / "Odd.arxml")), cause), errors), errors
    if os.environ.get("VELVANE_SANITIZED") != "1":  # the sanitizer's own memory would count
        assert peak < 3 * len(text) / 1e6 + 150, peak


def test_a_long_name_that_many_ports_share_is_kept_once(tmp_path):
    # 2,000 ports of one interface whose type is named by 200,000 characters: kept per port and per
    # cell, the name once took gigabytes from files of a few hundred kilobytes.
    folder = tmp_path / "models"
    name = "T" * 200000
    ports = [sp.port("R", "In_%d" % i, "/If/Shared") for i in range(2000)]
    sp.write_project(str(folder), {
        "Types.arxml": sp.packages(sp.package("If", [sp.sr_interface("Shared", [("d", "/T/" + name)])])),
        "Swc.arxml": sp.packages(sp.package("Swc", [sp.component("Swc", ports)]))})
    largest = max(os.path.getsize(str(f)) for f in folder.iterdir())
    status, errors, peak = peak_of_command(folder, tmp_path / "out.xlsx")
    assert status == 0, errors
    assert "Swc!D2: text of 200000 characters cut to its first 32767" in errors
    if os.environ.get("VELVANE_SANITIZED") != "1":
        assert peak < 3 * largest / 1e6 + 150, peak


# -- signals --

def corpus(folder, copies):
    folder.mkdir()
    for index in range(copies):
        for name in ("DoorLock_Model.arxml", "SeatHeater_Model.arxml", "WiperControl.arxml"):
            shutil.copy(os.path.join(EXAMPLES, name), str(folder / ("%03d_%s" % (index, name))))
    return folder


@pytest.mark.skipif(not hasattr(os, "openpty"), reason="needs a pseudo-terminal")
@pytest.mark.parametrize("signum", [signal.SIGINT, signal.SIGTERM, getattr(signal, "SIGHUP", signal.SIGTERM)])
def test_a_signal_in_the_run_stops_it_with_one_line_and_leaves_the_workbook_alone(tmp_path, signum):
    folder = corpus(tmp_path / "models", 150)
    out = tmp_path / "out"
    out.mkdir()
    (out / "SignalList.xlsx").write_bytes(b"the previous workbook")
    master, slave = os.openpty()
    child = subprocess.Popen([sys.executable, "-m", "Velvane", str(folder), "--details", "-o",
                              str(out / "SignalList.xlsx")], env=child_env(), stdout=slave, stderr=slave)
    os.close(slave)
    shown = b""
    while b"/450" not in shown:  # the progress bar: the run is under way
        chunk = os.read(master, 4096)
        assert chunk, shown
        shown += chunk
    child.send_signal(signum)
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    os.close(master)
    assert child.wait(timeout=60) == 128 + signum
    text = shown.decode("utf-8", "replace")
    name = signal.Signals(signum).name
    assert "velvane: interrupted by %s; nothing written to %s" % (name, out / "SignalList.xlsx") in text, text
    assert "Traceback" not in text
    assert os.listdir(str(out)) == ["SignalList.xlsx"]
    assert (out / "SignalList.xlsx").read_bytes() == b"the previous workbook"


@pytest.mark.skipif(not hasattr(signal, "SIGUSR1"), reason="needs POSIX signals")
def test_a_signal_while_the_modules_load_waits_for_the_end_of_the_import(monkeypatch):
    monkeypatch.setattr(_program, "STOPPING_SIGNALS", [signal.SIGUSR1])
    stops = _program.Stops().install()
    try:
        with pytest.raises(_program.Interrupted) as stopped:
            with stops.hold():
                os.kill(os.getpid(), signal.SIGUSR1)
                time.sleep(0.05)          # the handler has run: it only noted the signal
                assert stops.received == signal.SIGUSR1
        assert stopped.value.signum == signal.SIGUSR1
        os.kill(os.getpid(), signal.SIGUSR1)  # once stopping, a signal that follows is passed over
        time.sleep(0.05)
    finally:
        stops.restore()


# -- a workbook that cannot be written --

def test_a_workbook_that_cannot_be_written_says_why_and_the_library_keeps_quiet(tmp_path):
    out = tmp_path / "out"
    out.mkdir()
    (out / "SignalList.xlsx").write_bytes(b"the previous workbook")

    def small_files():  # writes past 3,000 bytes fail as on a full disk: EFBIG instead of ENOSPC
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (3000, 3000))

    done = subprocess.run([sys.executable, "-m", "Velvane", EXAMPLES, "-o", str(out / "SignalList.xlsx")],
                          env=child_env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          universal_newlines=True, timeout=120, preexec_fn=small_files)
    target = out / "SignalList.xlsx"
    assert (done.returncode, done.stderr) == (
        1, "velvane: error: cannot write %s: file too large; %s is left as it was\n" % (target, target))
    assert os.listdir(str(out)) == ["SignalList.xlsx"]
    assert target.read_bytes() == b"the previous workbook"


def test_the_binding_locates_an_offset_or_an_element_of_a_file(tmp_path):
    path = tmp_path / "A.arxml"
    path.write_text(u"<AUTOSAR>\n  <AR-PACKAGES>\n    <AR-PACKAGE><SHORT-NAME>\u00c4</SHORT-NAME>"
                    u"</AR-PACKAGE></AR-PACKAGES></AUTOSAR>", encoding="utf-8")
    package = AUTOSAR_00048.parse(str(path)).AR_PACKAGES.AR_PACKAGE[0]
    error = AUTOSAR_00048._error_at(None, package.SHORT_NAME, "a cause", KeyError)
    assert type(error) is KeyError and (error.lineno, error.colno, error.filename) == (3, 17, str(path))
    assert AUTOSAR_00048._autosar_path(package.SHORT_NAME) == u"/\u00c4"
    assert str(AUTOSAR_00048._error_at(str(path), None, "no place")) == "%s: no place" % path
