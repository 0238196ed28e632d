"""Tessaly.load driven by a stand-in analyser: file loop, arguments of genExcel, standard output, failures.

The stand-in replaces the module-level name `Pellinor`, which load looks up at call time."""
import os
import sys

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Tessaly import Tessaly


def interface(name, type_ref):
    """An interface record: 9 cells, SHORT-NAME at 1, the data element's TYPE-TREF at 7."""
    return ["Swc", name, "", "v", "VALUE", "", "", type_ref, ""]


def rport(name):
    return ["Swc", name] + [""] * 14


def pport(name):
    return ["Swc", name] + [""] * 10


class Recorder(object):
    """Collects what happens, in order, as (event, detail) pairs."""

    def __init__(self):
        self.events = []

    def of(self, kind):
        return [detail for event, detail in self.events if event == kind]


@pytest.fixture
def recorder():
    return Recorder()


@pytest.fixture
def analyser(monkeypatch, recorder):
    """A stand-in analyser class; `analyser.results[entry name]` is what readArxml returns for that
    entry (default: no interfaces and one port each way), or an exception to raise."""
    class StandIn(object):
        results = {}
        structValDict = {"S": ["", "S", "", "STRUCTURE", "", "u8;&a;", "", ""]}
        enumValList = {"COMPU_E": [[0, "OFF"], [1, "ON"]]}
        enumDict = {"E": "/Base/uint8"}

        def readArxml(self, path, dataArray):
            name = os.path.basename(path)
            recorder.events.append(("read", (self.modelName, path, dataArray)))
            result = self.results.get(name, ([], [rport("In_" + name)], [pport("Out_" + name)], [], [], []))
            if isinstance(result, Exception):
                raise result
            return result
    monkeypatch.setattr(tessaly_module, "Pellinor", StandIn)
    return StandIn


@pytest.fixture
def loader(recorder):
    """A Tessaly whose genExcel records its arguments before writing the sheet."""
    class Recording(Tessaly):
        def genExcel(self, *args):
            recorder.events.append(("sheet", args))
            return Tessaly.genExcel(self, *args)
    return Recording()


@pytest.fixture
def workbook_class(monkeypatch, recorder):
    """Replaces the module-level Workbook by a subclass that records construction and closing."""
    base = tessaly_module.Workbook

    class Recording(base):
        def __init__(self, *args, **kwargs):
            recorder.events.append(("workbook", (args, kwargs)))
            base.__init__(self, *args, **kwargs)

        def close(self, *args):
            recorder.events.append(("close", args))
            return base.close(self, *args)
    monkeypatch.setattr(tessaly_module, "Workbook", Recording)
    return Recording


@pytest.fixture
def in_tmp(tmp_path, monkeypatch):
    """Runs the test in an empty working directory; returns (source directory, output path)."""
    work = tmp_path / "work"
    source = tmp_path / "models"
    work.mkdir()
    source.mkdir()
    monkeypatch.chdir(str(work))
    return source, work / "SignalList.xlsx"


def touch(directory, *names):
    for name in names:
        (directory / name).write_text(u"", encoding="utf-8")


def arxml_entries(directory):
    return [n for n in os.listdir(str(directory)) if n.endswith(".arxml")]


class TestFileLoop:
    def test_entries_in_listing_order_with_their_model_names(self, in_tmp, analyser, loader, recorder):
        source, output = in_tmp
        touch(source, "b.arxml", "a.arxml", "X.ARXML", "X.arxml.bak", "X.xml", "D.arxml.arxml",
              "Body_Model.arxml", ".arxml")
        (source / "folder").mkdir()
        loader.load(str(source))
        entries = arxml_entries(source)
        reads = recorder.of("read")
        assert [path for _, path, _ in reads] == [os.path.join(str(source), e) for e in entries]
        assert [args[1] for args in recorder.of("sheet")] == [e.replace(".arxml", "") for e in entries]
        assert sorted(a[1] for a in recorder.of("sheet")) == ["", "Body_Model", "D", "a", "b"]
        book = openpyxl.load_workbook(str(output))
        shown = {"": "Sheet", "Body_Model": "Body"}
        assert book.sheetnames == [shown.get(a[1], a[1]) for a in recorder.of("sheet")]

    def test_each_file_gets_a_new_analyser_with_empty_model_name(self, in_tmp, analyser, loader, recorder):
        source, _ = in_tmp
        touch(source, "a.arxml", "b.arxml")
        loader.load(source)
        reads = recorder.of("read")
        assert [model for model, _, _ in reads] == ["", ""]
        first, second = reads[0][2], reads[1][2]
        assert first is not second
        for data_array in (first, second):
            assert type(data_array) is list and len(data_array) == 9
            for index, keys in enumerate(data_array):
                assert keys is getattr(tessaly_module, "table%dList" % (index + 1))

    def test_arguments_handed_to_gen_excel(self, in_tmp, analyser, loader, recorder, workbook_class):
        source, _ = in_tmp
        touch(source, "Door_Model.arxml")
        ports = ([], [rport("In_A"), rport("In_B")], [pport("Out_C")], ["ib"], ["base"], ["idt"])
        analyser.results["Door_Model.arxml"] = ports
        loader.load(path=str(source))
        (args,) = recorder.of("sheet")
        workbook, model, pport_arg, rport_arg, types, enum_dict, structures, enumerations = args
        assert isinstance(workbook, workbook_class)
        assert model == "Door_Model"
        assert pport_arg is ports[2] and rport_arg is ports[1]
        assert types == {}
        assert enum_dict is analyser.enumDict
        assert structures is analyser.structValDict
        assert enumerations is analyser.enumValList

    def test_interface_types(self, in_tmp, analyser, loader, recorder):
        source, _ = in_tmp
        touch(source, "m.arxml")
        analyser.results["m.arxml"] = ([
            interface("If_A", "/DataTypes/UInt8"), interface("If_B", "UInt8"), interface("If_C", ""),
            interface("If_D", "/DataTypes/"), interface("If_A", "/DataTypes/Later"), interface("If_E", "a/b/c"),
        ], [], [], [], [], [])
        loader.load(str(source))
        types = recorder.of("sheet")[0][4]
        assert list(types.items()) == [("If_A", "Later"), ("If_B", "UInt8"), ("If_C", ""), ("If_D", ""),
                                       ("If_E", "c")]

    def test_relative_path_and_output_in_working_directory(self, in_tmp, analyser, loader, recorder, monkeypatch):
        source, output = in_tmp
        touch(source, "a.arxml")
        monkeypatch.chdir(str(source.parent))
        Tessaly().load(os.path.join("models"))
        assert recorder.of("read")[0][1] == os.path.join("models", "a.arxml")
        assert (source.parent / "SignalList.xlsx").exists() and not output.exists()


class TestWorkbook:
    def test_one_workbook_named_signal_list_closed_after_the_last_file(self, in_tmp, analyser, loader,
                                                                       recorder, workbook_class):
        source, output = in_tmp
        touch(source, "a.arxml", "b.arxml")
        loader.load(str(source))
        kinds = [event for event, _ in recorder.events]
        assert kinds == ["workbook", "read", "sheet", "read", "sheet", "close"]
        assert recorder.of("workbook") == [(("./SignalList.xlsx",), {})]
        assert recorder.of("close") == [()]
        assert output.exists()

    def test_directory_without_arxml_still_gives_the_workbook(self, in_tmp, analyser, loader, recorder):
        source, output = in_tmp
        touch(source, "notes.txt")
        loader.load(str(source))
        assert recorder.events == []
        openpyxl.load_workbook(str(output))

    def test_missing_directory_fails_before_the_workbook(self, in_tmp, analyser, loader, recorder,
                                                         workbook_class):
        source, output = in_tmp
        with pytest.raises(OSError):
            loader.load(str(source / "absent"))
        with pytest.raises(OSError):
            touch(source, "plain")
            loader.load(str(source / "plain"))
        assert recorder.events == [] and not output.exists()

    def test_two_loads_write_the_file_twice(self, in_tmp, analyser, loader, recorder):
        source, output = in_tmp
        touch(source, "a.arxml")
        loader.load(str(source))
        touch(source, "b.arxml")
        Tessaly().load(str(source))
        assert sorted(openpyxl.load_workbook(str(output)).sheetnames) == ["a", "b"]


class TestStandardOutput:
    def test_tpms_files_print_a_between_analysis_and_sheet(self, in_tmp, analyser, loader, recorder,
                                                           monkeypatch):
        source, _ = in_tmp
        touch(source, "TPMS_Left.arxml", "tpms.arxml", "xTPMSx.arxml", "TPMS.txt")

        class Stdout(object):
            def write(self, text):
                recorder.events.append(("out", text))

            def flush(self):
                pass
        monkeypatch.setattr(sys, "stdout", Stdout())
        loader.load(str(source))
        monkeypatch.undo()
        order = []
        for event, detail in recorder.events:
            if event == "read":
                order.append(("read", os.path.basename(detail[1])))
            elif event == "sheet":
                order.append(("sheet", detail[1]))
            else:
                order.append(("out", detail))
        for entry in arxml_entries(source):
            model = entry[:-len(".arxml")]
            at = order.index(("read", entry))
            printed = [("out", "a"), ("out", "\n")] if "TPMS" in entry else []
            assert order[at + 1:at + 2 + len(printed)] == printed + [("sheet", model)]
        assert "".join(d for e, d in recorder.events if e == "out") == "a\na\n"

    def test_line_is_captured_with_python_output(self, in_tmp, analyser, loader, capsys):
        source, _ = in_tmp
        touch(source, "TPMS.arxml")
        print("before")
        loader.load(str(source))
        print("after")
        assert capsys.readouterr().out == "before\na\nafter\n"


class TestFailures:
    def test_third_of_five_fails(self, in_tmp, analyser, loader, recorder, workbook_class):
        source, output = in_tmp
        touch(source, *["m%d.arxml" % i for i in range(5)])
        entries = arxml_entries(source)
        error = RuntimeError("broken file")
        analyser.results[entries[2]] = error
        output.write_bytes(b"previous workbook")
        with pytest.raises(RuntimeError) as raised:
            loader.load(str(source))
        assert raised.value is error
        assert [os.path.basename(d[1]) for d in recorder.of("read")] == entries[:3]
        assert [d[1] for d in recorder.of("sheet")] == [e[:-6] for e in entries[:2]]
        assert recorder.of("close") == []
        assert output.read_bytes() == b"previous workbook"

    def test_failure_without_existing_workbook_writes_none(self, in_tmp, analyser, loader):
        source, output = in_tmp
        touch(source, "a.arxml")
        analyser.results["a.arxml"] = KeyError("k")
        with pytest.raises(KeyError):
            loader.load(str(source))
        assert not output.exists()

    @pytest.mark.parametrize("result, error", [
        (([], [], [], [], []), ValueError),
        (([], [], [], [], [], [], []), ValueError),
        (None, TypeError),
        (([interface("If", None)], [], [], [], [], []), TypeError),
        (([["Swc", "If", ""]], [], [], [], [], []), IndexError),
        (([], [rport("In_Unknown_Type")], [], [], [], []), None),
    ])
    def test_malformed_analysis_results(self, in_tmp, analyser, loader, result, error):
        source, output = in_tmp
        touch(source, "a.arxml")
        analyser.results["a.arxml"] = result
        if error is None:
            loader.load(str(source))
            assert output.exists()
        else:
            with pytest.raises(error):
                loader.load(str(source))
            assert not output.exists()

    def test_failure_in_gen_excel_is_passed_on(self, in_tmp, analyser, loader):
        source, output = in_tmp
        touch(source, "a.arxml")
        analyser.structValDict = {"S": ["", "S"]}
        analyser.results["a.arxml"] = ([interface("In_S", "/T/S")], [rport("In_S")], [], [], [], [])
        with pytest.raises(IndexError):
            loader.load(str(source))
        assert not output.exists()

    def test_unwritable_output_fails_at_close(self, in_tmp, analyser, loader):
        source, output = in_tmp
        touch(source, "a.arxml")
        output.mkdir()
        with pytest.raises(Exception):
            loader.load(str(source))
        assert output.is_dir()
