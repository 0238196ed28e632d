"""Threads: loads and analyses running at the same time on different directories.

The modules keep the interpreter's rules (the parse runs without the GIL, everything else with it), so
two threads may work at once; the analyser's type tables are shared by design. Each thread must finish
without a crash, and get the records and the workbook that a run on its own gives."""
import os
import shutil
import sys
import threading

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Pellinor import Pellinor
from Velvane.Tessaly import Tessaly

from conftest import EXAMPLES, arxml_document

SANITIZED = os.environ.get("VELVANE_SANITIZED") == "1"
ROUNDS = 3 if SANITIZED else 12
JOIN_SECONDS = 600

# Whether load takes the output= keyword: without it every load writes ./SignalList.xlsx, so only one
# thread may load at a time.
HAS_OUTPUT = "output=" in (Tessaly.load.__doc__ or "")


def key_lists():
    return [getattr(tessaly_module, "table%dList" % i) for i in range(1, 10)]


def generated_model(index):
    ports = "".join(
        "<%s-PORT-PROTOTYPE><SHORT-NAME>%s_Thread%d_%d</SHORT-NAME></%s-PORT-PROTOTYPE>"
        % (kind, "In" if kind == "R" else "Out", index, n, kind) for n in range(40) for kind in "RP")
    interfaces = "".join(
        "<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s_Thread%d_%d</SHORT-NAME><DATA-ELEMENTS>"
        "<VARIABLE-DATA-PROTOTYPE><SHORT-NAME>v</SHORT-NAME><TYPE-TREF>/T/Thread_e</TYPE-TREF>"
        "</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>"
        % (direction, index, n) for n in range(40) for direction in ("In", "Out"))
    compu = ("<COMPU-METHOD><SHORT-NAME>COMPU_Thread_e</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY>"
             "<COMPU-INTERNAL-TO-PHYS><COMPU-SCALES>%s</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>"
             % "".join("<COMPU-SCALE><COMPU-CONST><VT>L%d</VT></COMPU-CONST></COMPU-SCALE>" % n for n in range(20)))
    return arxml_document(
        "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Thread%d</SHORT-NAME><ELEMENTS>"
        "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>Swc%d</SHORT-NAME><PORTS>%s</PORTS>"
        "</APPLICATION-SW-COMPONENT-TYPE>%s%s</ELEMENTS></AR-PACKAGE></AR-PACKAGES>"
        % (index, index, ports, interfaces, compu))


@pytest.fixture
def folders(tmp_path, monkeypatch):
    """Two directories of models: a copy of the examples, and generated models of their own."""
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    first, second = tmp_path / "examples", tmp_path / "generated"
    shutil.copytree(EXAMPLES, str(first))
    second.mkdir()
    for index in range(3):
        (second / ("Thread%d_Model.arxml" % index)).write_text(generated_model(index), encoding="utf-8")
    return [str(first), str(second)]


@pytest.fixture
def busy_switching():
    """Threads hand the GIL over far more often than usual, so that their work interleaves finely."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-5)
    yield
    sys.setswitchinterval(interval)


def arxml_paths(folder):
    return [os.path.join(folder, n) for n in sorted(os.listdir(folder)) if n.endswith(".arxml")]


def records_of(folder):
    """The records of every file of `folder`, each from a new analyser."""
    found = []
    for path in arxml_paths(folder):
        analyser = Pellinor()
        analyser.modelName = ""
        found.append(analyser.readArxml(path, key_lists()))
    return found


def workbook_cells(path):
    book = openpyxl.load_workbook(path)
    return [(sheet.title, [[cell.value for cell in row] for row in sheet.iter_rows()]) for sheet in book.worksheets]


def load_to(folder, output):
    if HAS_OUTPUT:
        Tessaly().load(folder, output=output)
    else:
        Tessaly().load(folder)
        os.replace("SignalList.xlsx", output)


def run_together(jobs):
    """Starts every job on its own thread at the same moment; returns the exceptions they raised."""
    start = threading.Barrier(len(jobs))
    failures = []

    def run(job):
        try:
            start.wait()
            job()
        except BaseException as error:   # reported by the test, never lost in the thread
            failures.append(error)
    threads = [threading.Thread(target=run, args=(job,)) for job in jobs]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(JOIN_SECONDS)
    assert not any(thread.is_alive() for thread in threads), "a thread did not finish"
    return failures


@pytest.mark.parametrize("mode", ["load-and-read-in-both", "load-beside-read"])
def test_two_threads_at_once(folders, busy_switching, tmp_path, mode):
    # Alone first, twice over, so that the shared tables already hold everything both folders define.
    for _ in range(2):
        expected_records = [records_of(folder) for folder in folders]
        for index, folder in enumerate(folders):
            load_to(folder, str(tmp_path / ("alone%d.xlsx" % index)))
    expected_books = [workbook_cells(str(tmp_path / ("alone%d.xlsx" % index))) for index in range(2)]
    outputs = []

    def worker(index, loads, reads):
        def job():
            for round_number in range(ROUNDS):
                if loads:
                    output = str(tmp_path / ("thread%d-%d.xlsx" % (index, round_number)))
                    load_to(folders[index], output)
                    outputs.append((index, output))
                if reads:
                    assert records_of(folders[index]) == expected_records[index]
        return job

    if mode == "load-and-read-in-both" and HAS_OUTPUT:
        jobs = [worker(0, True, True), worker(1, True, True)]
    else:
        jobs = [worker(0, True, False), worker(1, False, True)]
    assert run_together(jobs) == []
    assert outputs
    for index, output in outputs:
        assert workbook_cells(output) == expected_books[index]


def test_analysers_in_threads_fill_the_same_type_tables(folders, busy_switching):
    names = ("structValDict", "arrayValList", "enumValList", "enumDict")
    tables = [getattr(Pellinor, name) for name in names]
    assert run_together([lambda: records_of(folders[0]), lambda: records_of(folders[1])]) == []
    assert all(getattr(Pellinor, name) is table for name, table in zip(names, tables))
    assert {"COMPU_LockRequest", "COMPU_Thread_e"} <= set(Pellinor.enumValList)
    assert Pellinor.enumValList["COMPU_Thread_e"] == [[n, "L%d" % n] for n in range(20)]
