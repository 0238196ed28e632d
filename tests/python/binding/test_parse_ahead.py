"""Parsing ahead: the loader has the binding parse the next file on a worker while the current one is
analysed. Everything the caller sees must be what plain parses give: documents, failures at their
turn, skipped files, the "a" lines, the shared type tables; no worker or document outlives a run."""
import gc
import os
import subprocess
import sys
import time

import openpyxl
import pytest

from Omdra.Corvenna import AUTOSAR_00048
from Velvane.Pellinor import Pellinor
from Velvane.Tessaly import Tessaly

from conftest import arxml_document

COMPONENT = """
    <AR-PACKAGES><AR-PACKAGE><SHORT-NAME>{name}</SHORT-NAME><ELEMENTS>
      <APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>{name}Swc</SHORT-NAME><PORTS>{ports}</PORTS>
      </APPLICATION-SW-COMPONENT-TYPE>
      <COMPU-METHOD><SHORT-NAME>COMPU_Ahead{name}</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY>
        <COMPU-INTERNAL-TO-PHYS><COMPU-SCALES><COMPU-SCALE><COMPU-CONST><VT>On</VT></COMPU-CONST>
        </COMPU-SCALE></COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>
    </ELEMENTS></AR-PACKAGE></AR-PACKAGES>
"""


def component(name, ports=3):
    return arxml_document(COMPONENT.format(name=name, ports="".join(
        "<R-PORT-PROTOTYPE><SHORT-NAME>In_%s_%d</SHORT-NAME></R-PORT-PROTOTYPE>" % (name, n) for n in range(ports))))


def write(folder, name, text):
    with open(os.path.join(str(folder), name), "wb") as f:
        f.write(text.encode("utf-8"))
    return os.path.join(str(folder), name)


def threads_of_process(expected=None):
    """The threads the process has; with `expected`, given a moment to reach it: a joined thread can
    stay listed under /proc for an instant after the join has returned."""
    for _ in range(200):
        count = len(os.listdir("/proc/self/task"))
        if expected is None or count == expected:
            return count
        time.sleep(0.01)
    return count


@pytest.fixture
def models(tmp_path, monkeypatch):
    """A directory of five files in listing order; the third is malformed, one name contains TPMS."""
    monkeypatch.chdir(str(tmp_path))
    folder = tmp_path / "models"
    folder.mkdir()
    for name in ("A1", "B2TPMS", "C3", "D4", "E5"):
        write(folder, name + "_Model.arxml", component(name, ports=2000 if name == "D4" else 3))
    write(folder, "C3_Model.arxml", component("C3")[:-40])
    return folder


@pytest.fixture
def without_parse_ahead(monkeypatch):
    def declined(path):
        return None

    def decline():
        monkeypatch.setattr(AUTOSAR_00048, "_parse_ahead", declined)
        monkeypatch.setattr(AUTOSAR_00048, "_document_handoff", None)   # the project index's documents
    return decline


def run(folder, output, **options):
    """(result or exception text, workbook cells or None)"""
    try:
        outcome = Tessaly().load(str(folder), output=output, **options)
        outcome = [(entry, type(error), str(error)) for entry, error in outcome or []]
    except Exception as error:
        outcome = (type(error), str(error))
    cells = None
    if os.path.exists(output):
        cells = [(s.title, [[c.value for c in row] for row in s.iter_rows()])
                 for s in openpyxl.load_workbook(output).worksheets]
    return outcome, cells


@pytest.mark.parametrize("resolve", ["file", "project"])
@pytest.mark.parametrize("on_error", ["raise", "skip"])
def test_a_load_gives_what_plain_parses_give(models, tmp_path, capfd, without_parse_ahead, on_error, resolve):
    ahead = run(models, str(tmp_path / "ahead.xlsx"), on_error=on_error, resolve=resolve)
    ahead_out = capfd.readouterr().out
    without_parse_ahead()
    plain = run(models, str(tmp_path / "plain.xlsx"), on_error=on_error, resolve=resolve)
    assert ahead == plain and ahead_out == capfd.readouterr().out == "a\n"
    if on_error == "raise":
        assert "C3_Model.arxml" in ahead[0][1] and ahead[1] is None
        listing = os.listdir(str(models))
        after = listing[listing.index("C3_Model.arxml") + 1:]
        assert not any("COMPU_Ahead" + entry[:-len("_Model.arxml")] in Pellinor.enumValList for entry in after)
    else:
        assert [entry for entry, _, _ in ahead[0]] == ["C3_Model.arxml"]
        assert "COMPU_AheadE5" in Pellinor.enumValList


def test_the_turn_reads_the_file_as_it_is_then(tmp_path):
    path = write(tmp_path, "M.arxml", component("Before"))
    ticket = AUTOSAR_00048._parse_ahead(path)
    assert ticket is not None
    write(tmp_path, "M.arxml", component("AfterAChange"))
    root = AUTOSAR_00048.parse(path)
    assert root.AR_PACKAGES.AR_PACKAGE[0].SHORT_NAME.valueOf_ == "AfterAChange"
    os.remove(path)
    ticket = AUTOSAR_00048._parse_ahead(path)
    with pytest.raises(FileNotFoundError):
        AUTOSAR_00048.parse(path)   # the same error as a plain parse, at the turn
    del ticket


def test_a_file_rewritten_after_the_project_index_read_it_is_read_again(tmp_path, monkeypatch):
    monkeypatch.chdir(str(tmp_path))
    folder = tmp_path / "m"
    folder.mkdir()
    names = ["%s_Model.arxml" % name for name in ("P1", "P2", "P3", "P4")]
    for name in names:
        write(folder, name, component(name[:2]))
    listing = [name for name in os.listdir(str(folder)) if name in names]

    def rewrite_later_files(index, total, entry, size):
        for name in listing[index:]:   # read by the index already, not yet analysed
            write(folder, name, component("New" + name[:2], ports=1).replace("<R-PORT", "<P-PORT")
                  .replace("</R-PORT", "</P-PORT"))
    Tessaly().load(str(folder), resolve="project", output="out.xlsx", progress=rewrite_later_files)
    book = openpyxl.load_workbook("out.xlsx")
    for name in listing[1:]:
        sheet = book[name[:2]]
        assert sheet["B2"].value is None and sheet["I2"].value == "In_New%s_0" % name[:2]


def test_a_replaced_parse_gets_no_parse_ahead(tmp_path, monkeypatch):
    path = write(tmp_path, "M.arxml", component("M"))
    monkeypatch.setattr(AUTOSAR_00048, "parse", lambda path, silence=False: None)
    assert AUTOSAR_00048._parse_ahead(path) is None


class Interrupt(Exception):
    pass


@pytest.mark.skipif(not os.path.isdir("/proc/self/task"), reason="needs /proc to count threads")
@pytest.mark.parametrize("ending, resolve", [
    ("failure", "file"), ("interrupt", "file"), ("ticket dropped", "file"),
    ("failure", "project"), ("interrupt", "project"), ("complete", "project")])   # the index's threads too
def test_an_early_end_leaves_no_worker_and_no_document(models, tmp_path, ending, resolve):
    before = threads_of_process()
    resident = []
    for round_number in range(60):
        if ending == "ticket dropped":
            AUTOSAR_00048._parse_ahead(os.path.join(str(models), "D4_Model.arxml"))
        elif ending == "complete":
            Tessaly().load(str(models), output=str(tmp_path / "out.xlsx"), on_error="skip", resolve=resolve)
        else:
            def stop(index, total, entry, size):
                if index == 3:
                    raise KeyboardInterrupt if ending == "interrupt" else Interrupt()
            with pytest.raises(KeyboardInterrupt if ending == "interrupt" else Interrupt):
                Tessaly().load(str(models), output=str(tmp_path / "out.xlsx"), on_error="skip", progress=stop,
                               resolve=resolve)
        assert threads_of_process(before) == before
        gc.collect()
        with open("/proc/self/statm") as statm:
            resident.append(int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE"))
    if os.environ.get("VELVANE_SANITIZED") != "1":  # the sanitizer keeps freed memory
        assert resident[-1] - resident[10] < 8 * 1024 * 1024


def test_the_interpreter_exits_with_a_worker_in_flight(models):
    code = ("from Omdra.Corvenna import AUTOSAR_00048 as binding\n"
            "kept = [binding._parse_ahead(%r) for _ in range(4)]\n" % os.path.join(str(models), "D4_Model.arxml"))
    done = subprocess.run([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)), timeout=120)
    assert done.returncode == 0 and done.stdout == b""


def test_a_project_run_takes_the_index_documents_instead_of_parsing_again(tmp_path, monkeypatch):
    monkeypatch.chdir(str(tmp_path))
    folder = tmp_path / "m"
    folder.mkdir()
    for n in range(6):
        write(folder, "S%d_Model.arxml" % n, component("S%d" % n, ports=300))
    parse_ahead, started = AUTOSAR_00048._parse_ahead, []
    monkeypatch.setattr(AUTOSAR_00048, "_parse_ahead", lambda path: started.append(path) or parse_ahead(path))
    Tessaly().load(str(folder), resolve="project", output="project.xlsx")
    assert started == []   # each next file came from the index, waited for where it was behind
    Tessaly().load(str(folder), output="file.xlsx")
    assert len(started) == 5
    cells = lambda name: [[[c.value for c in row] for row in sheet.iter_rows()]
                          for sheet in openpyxl.load_workbook(name).worksheets]
    assert len(cells("project.xlsx")) == 6 and cells("project.xlsx") == cells("file.xlsx")
