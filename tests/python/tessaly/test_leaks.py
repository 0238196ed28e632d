"""No leaks: resident memory stays flat over many loads, and every object the modules take in or hand
out has the reference count it had before, after runs that succeed and runs that fail."""
import gc
import os
import sys

import pytest
from xlsxwriter.workbook import Workbook

import Velvane.Tessaly as tessaly_module
from Velvane.Pellinor import Pellinor
from Velvane.Tessaly import Tessaly

from conftest import EXAMPLES, arxml_document

SANITIZED = os.environ.get("VELVANE_SANITIZED") == "1"
STORES = ("structValDict", "arrayValList", "enumValList", "enumDict")

# A STRUCTURE type without SUB-ELEMENTS: the type tables give up on it, outside every guard.
UNFINISHED_STRUCTURE = """
    <AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Leak</SHORT-NAME><ELEMENTS>
      <APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>LeakSwc</SHORT-NAME><PORTS>
        <R-PORT-PROTOTYPE><SHORT-NAME>In_Leak</SHORT-NAME></R-PORT-PROTOTYPE></PORTS>
      </APPLICATION-SW-COMPONENT-TYPE></ELEMENTS>
      <AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Types</SHORT-NAME><ELEMENTS>
        <IMPLEMENTATION-DATA-TYPE><SHORT-NAME>Leak_s</SHORT-NAME><CATEGORY>STRUCTURE</CATEGORY>
        </IMPLEMENTATION-DATA-TYPE>
      </ELEMENTS></AR-PACKAGE></AR-PACKAGES>
    </AR-PACKAGE></AR-PACKAGES>
"""


def key_lists():
    return [getattr(tessaly_module, "table%dList" % i) for i in range(1, 10)]


def fresh_text(text):
    """An equal str that is a new object, so that its reference count is its own."""
    return "".join(list(text))


@pytest.fixture
def models(tmp_path, monkeypatch):
    """Directories of models: the examples, one with a malformed file, one whose analysis fails."""
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    malformed, failing = tmp_path / "malformed", tmp_path / "failing"
    for folder in (malformed, failing):
        folder.mkdir()
    (malformed / "Cut.arxml").write_bytes(arxml_document(UNFINISHED_STRUCTURE).encode("utf-8")[:-30])
    (failing / "Unfinished.arxml").write_text(arxml_document(UNFINISHED_STRUCTURE), encoding="utf-8")
    return {"examples": EXAMPLES, "malformed": str(malformed), "failing": str(failing)}


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def run_ignoring_failure(work):
    try:
        work()
    except Exception:
        pass


@pytest.mark.skipif(SANITIZED, reason="sanitizer runtimes hold freed memory in quarantine")
@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc to read resident memory")
@pytest.mark.parametrize("folder", ["examples", "malformed", "failing"])
def test_a_thousand_loads_keep_resident_memory_flat(models, folder):
    loader = Tessaly()
    path = models[folder]
    failures = [0]

    def load():
        try:
            loader.load(path)
        except Exception:
            failures[0] += 1
    for _ in range(100):
        load()
    gc.collect()
    before = resident_bytes()
    for _ in range(1000):
        load()
    gc.collect()
    grown = resident_bytes() - before
    assert grown < 10 * 1024 * 1024, "resident memory grew by %d bytes" % grown
    assert failures[0] == (0 if folder == "examples" else 1100)


class Counted(object):
    """Reference counts of a fixed set of objects, and how many objects the collector tracks."""

    def __init__(self, objects, workbook=None):
        self.objects = objects
        self.workbook = workbook

    def snapshot(self):
        gc.collect()
        counts = [sys.getrefcount(o) for o in self.objects]
        if self.workbook is not None:
            # Each worksheet refers to its workbook: one more reference per sheet added is no leak.
            counts.append(sys.getrefcount(self.workbook) - len(self.workbook.worksheets()))
        return counts, len(gc.get_objects())

    def assert_balanced(self, work, runs=20, objects_may_grow=False):
        work()   # warm-up: caches of names and plans fill once
        counts, tracked = self.snapshot()
        for _ in range(runs):
            work()
        after, tracked_after = self.snapshot()
        changed = [(i, b, a) for i, (b, a) in enumerate(zip(counts, after)) if a != b]
        assert changed == [], "reference counts changed (index, before, after): %r" % changed
        if not objects_may_grow:
            assert tracked_after - tracked < runs, "%d more objects tracked" % (tracked_after - tracked)


@pytest.fixture
def counted():
    """The nine key lists and their keys, the four stores of the analyser class."""
    lists = key_lists()
    # The empty key is the interpreter's one empty str, which every part of the process shares.
    keys = [key for keys in lists for key in keys if key]
    stores = [getattr(Pellinor, name) for name in STORES]
    return lambda *more, **workbook: Counted(lists + keys + stores + list(more), **workbook)


def example_files():
    return [os.path.join(EXAMPLES, n) for n in sorted(os.listdir(EXAMPLES)) if n.endswith(".arxml")]


class TestReferenceCounts:
    @pytest.mark.parametrize("case", ["examples", "malformed", "failing", "missing", "short-data-array",
                                      "path-not-text"])
    def test_read_arxml(self, models, counted, case):
        data_array = key_lists()
        paths = {
            "examples": example_files(),
            "malformed": [os.path.join(models["malformed"], "Cut.arxml")],
            "failing": [os.path.join(models["failing"], "Unfinished.arxml")],
            "missing": [os.path.join(models["failing"], "Absent.arxml")],
            "short-data-array": example_files()[:1],
        }.get(case)
        if case == "short-data-array":
            data_array = data_array[:5]
        paths = [fresh_text(p) for p in paths] if paths else [42]
        results = []

        def work():
            del results[:]
            for path in paths:
                analyser = Pellinor()
                analyser.modelName = ""
                try:
                    results.append(analyser.readArxml(path, data_array))
                except Exception:
                    pass
        counted(data_array, *paths).assert_balanced(work)
        assert len(results) == (3 if case == "examples" else 0)
        if case == "examples":
            assert len(results) == 3
            for result in results:
                # Its holder, the loop's name and getrefcount's own argument: nothing else holds what is
                # handed out.
                assert sys.getrefcount(result) == 3
                assert all(sys.getrefcount(records) == 3 for records in result)
                assert all(sys.getrefcount(record) == 3 for records in result for record in records)

    @pytest.mark.parametrize("folder", ["examples", "malformed", "failing", "absent"])
    def test_load(self, models, counted, folder):
        path = fresh_text(models.get(folder, os.path.join(models["failing"], "absent")))
        loader = Tessaly()
        failures = []

        def work():
            try:
                loader.load(path)
            except Exception as error:
                failures.append(type(error))
        counted(path, loader).assert_balanced(work, runs=10)
        assert len(failures) == (0 if folder == "examples" else 11)

    @pytest.mark.parametrize("folder", ["examples", "failing"])
    def test_load_with_options(self, models, tmp_path, counted, folder):
        path = fresh_text(models[folder])
        output = fresh_text(str(tmp_path / "Options.xlsx"))
        seen = []

        def progress(index, total, entry, size):
            seen.append(index)
        skipped = []

        def work():
            del skipped[:]
            skipped.extend(Tessaly().load(path, output=output, on_error="skip", progress=progress))
        counted(path, output, progress).assert_balanced(work, runs=10)
        assert len(skipped) == (0 if folder == "examples" else 1) and seen
        for entry, error in skipped:
            # The pair in the list and the name here hold the exception (and getrefcount's argument).
            held = sys.getrefcount(error)
            assert held == 3

    @pytest.mark.parametrize("case", ["whole", "structure-record-too-short", "literal-not-text",
                                      "ports-not-records"])
    def test_gen_excel(self, tmp_path, counted, case):
        book = Workbook(str(tmp_path / "never-closed.xlsx"))
        model = fresh_text("Leak_Model")
        rports = [["Swc", fresh_text("In_Leak_%d" % i)] + [""] * 14 for i in range(3)]
        pports = [["Swc", fresh_text("Out_Leak")] + [""] * 10]
        types = {"In_Leak_0": "rt_Array_Leak_e_4", "In_Leak_1": "Leak_s", "In_Leak_2": "Leak_e",
                 "Out_Leak": "Leak_e"}
        structures = {"Leak_s": ["", "Leak_s", "", "STRUCTURE", "", "uint8;&a;", "", ""]}
        enumerations = {"COMPU_Leak_e": [[0, "OFF"], [1, "ON"]]}
        if case == "structure-record-too-short":
            structures["Leak_s"] = ["", "Leak_s"]
        elif case == "literal-not-text":
            enumerations["COMPU_Leak_e"] = [[0, "OFF"], [1, 1]]
        elif case == "ports-not-records":
            pports = [None]
        enum_dict = {}
        arguments = [model, pports, rports, types, enum_dict, structures, enumerations]
        inner = [r for r in rports + pports if r is not None] + list(structures.values()) + list(
            enumerations.values())

        def work():
            run_ignoring_failure(lambda: Tessaly().genExcel(book, *arguments))
        # The workbook keeps every sheet added to it, with all its cells: it grows by design.
        counted(*(arguments + inner), workbook=book).assert_balanced(work, runs=10, objects_may_grow=True)
