"""The keyword options of Tessaly.load: output=, on_error=, progress= and the internal counts.

Most cases drive load with a stand-in analyser (the module-level name `Pellinor` is looked up at call
time), so that each file's fate is chosen by the test; the last ones run the real analyser."""
import os
import shutil
import stat
import sys

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane import _output_path
from Velvane.Tessaly import Tessaly
from conftest import EXAMPLES



def ports(name, inputs=1, outputs=1):
    """readArxml's six results: no interfaces, `inputs` required and `outputs` provided ports."""
    rports = [["Swc", "In_%s_%d" % (name, i)] + [""] * 14 for i in range(inputs)]
    pports = [["Swc", "Out_%s_%d" % (name, i)] + [""] * 10 for i in range(outputs)]
    return ([], rports, pports, [], [], [])


@pytest.fixture
def analyser(monkeypatch):
    """Stand-in analyser; `analyser.results[entry]` is an exception to raise or the six results."""
    class StandIn(object):
        results = {}
        structValDict = {}
        enumValList = {}
        enumDict = {}

        def readArxml(self, path, dataArray):
            result = self.results.get(os.path.basename(path))
            if isinstance(result, BaseException):
                raise result
            return result if result is not None else ports(os.path.basename(path))
    monkeypatch.setattr(tessaly_module, "Pellinor", StandIn)
    return StandIn


@pytest.fixture
def models(tmp_path, monkeypatch):
    """An empty source directory; the test runs in a separate empty working directory."""
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    source = tmp_path / "models"
    source.mkdir()
    return source


def add(directory, *names, **sizes):
    for name in names:
        (directory / name).write_bytes(b"x" * sizes.get("size", 10))


def arxml_entries(directory):
    return [n for n in os.listdir(str(directory)) if n.endswith(".arxml")]


def sheet_names(path):
    return openpyxl.load_workbook(str(path)).sheetnames


class TestOutput:
    @pytest.mark.parametrize("as_path", [str, lambda p: p], ids=["str", "pathlib"])
    def test_written_where_asked_and_only_there(self, models, analyser, tmp_path, as_path):
        add(models, "a.arxml", "b.arxml")
        target = tmp_path / "out" / "Signals.xlsx"
        target.parent.mkdir()
        assert Tessaly().load(str(models), output=as_path(target)) is None
        assert sorted(sheet_names(target)) == ["a", "b"]
        assert os.listdir(str(target.parent)) == ["Signals.xlsx"]
        assert not os.path.exists("SignalList.xlsx")

    def test_workbook_goes_through_a_temporary_file_beside_the_target(self, models, analyser, tmp_path,
                                                                      monkeypatch):
        add(models, "a.arxml")
        target = tmp_path / "Signals.xlsx"
        seen = []
        base = tessaly_module.Workbook

        class Watching(base):
            def close(self):
                result = base.close(self)
                seen.append((self.filename, target.exists()))
                return result
        monkeypatch.setattr(tessaly_module, "Workbook", Watching)
        Tessaly().load(str(models), output=str(target))
        ((written, target_existed),) = seen
        assert os.path.dirname(written) == str(tmp_path) and written != str(target)
        assert not target_existed and not os.path.exists(written) and target.exists()

    @pytest.mark.parametrize("failure", ["analysis", "close", "progress"])
    def test_a_failure_leaves_the_existing_workbook_and_no_temporary_file(self, models, analyser, tmp_path,
                                                                          monkeypatch, failure):
        add(models, "a.arxml", "b.arxml")
        target = tmp_path / "out" / "Signals.xlsx"
        target.parent.mkdir()
        target.write_bytes(b"the previous workbook")
        base = tessaly_module.Workbook
        options = {}
        if failure == "analysis":
            analyser.results[arxml_entries(models)[1]] = RuntimeError("bad file")
        elif failure == "progress":
            def progress(*args):
                raise RuntimeError("stop")
            options["progress"] = progress
        else:
            class HalfWritten(base):
                def close(self):
                    with open(self.filename, "wb") as f:
                        f.write(b"PK half")
                    raise OSError(28, "No space left on device")
            monkeypatch.setattr(tessaly_module, "Workbook", HalfWritten)
        with pytest.raises((RuntimeError, OSError)):
            Tessaly().load(str(models), output=str(target), **options)
        assert target.read_bytes() == b"the previous workbook"
        assert os.listdir(str(target.parent)) == ["Signals.xlsx"]

    def test_replacing_keeps_permissions_and_writes_through_a_link(self, models, analyser, tmp_path):
        add(models, "a.arxml")
        real = tmp_path / "real.xlsx"
        real.write_bytes(b"old")
        os.chmod(str(real), 0o640)
        link = tmp_path / "link.xlsx"
        link.symlink_to(real)
        Tessaly().load(str(models), output=str(link))
        assert link.is_symlink() and sheet_names(link) == ["a"]
        assert stat.S_IMODE(os.stat(str(real)).st_mode) == 0o640

    @pytest.mark.parametrize("output, error", [(b"out.xlsx", TypeError), (3, TypeError), ("", ValueError)])
    def test_unusable_output_is_refused(self, models, analyser, output, error):
        add(models, "a.arxml")
        with pytest.raises(error):
            Tessaly().load(str(models), output=output)
        assert os.listdir(".") == []


    @pytest.mark.parametrize("case", ["folder-missing", "names-a-folder", "trailing-separator", "under-a-file",
                                      "not-a-file"])
    def test_an_output_that_cannot_be_written_is_refused_before_any_file_is_read(self, models, analyser,
                                                                                  tmp_path, case):
        add(models, "a.arxml")
        analyser.results["a.arxml"] = AssertionError("a file was read")
        (tmp_path / "file").write_bytes(b"x")
        os.mkfifo(str(tmp_path / "pipe"))
        output, error, message = {
            "folder-missing": ("out/Body.xlsx", FileNotFoundError, "out/Body.xlsx: the folder out does not exist"),
            "names-a-folder": (str(tmp_path), IsADirectoryError, "%s: names a folder; name the workbook file in "
                               "it, as in %s" % (tmp_path, tmp_path / "SignalList.xlsx")),
            "trailing-separator": ("new" + os.sep, IsADirectoryError, "new/: names a folder; name the workbook "
                                   "file in it, as in new/SignalList.xlsx"),
            "under-a-file": (str(tmp_path / "file" / "o.xlsx"), NotADirectoryError,
                             "%s: %s is not a folder" % (tmp_path / "file" / "o.xlsx", tmp_path / "file")),
            "not-a-file": (str(tmp_path / "pipe"), OSError, "%s: is not a regular file (a device, pipe or socket) "
                           "and is not replaced by a workbook; choose another output" % (tmp_path / "pipe")),
        }[case]
        with pytest.raises(error) as raised:
            Tessaly().load(str(models), output=output)
        assert str(raised.value) == message
        assert os.listdir(".") == [] and sorted(os.listdir(str(tmp_path))) == ["file", "models", "pipe", "work"]

    @pytest.mark.skipif(hasattr(os, "geteuid") and os.geteuid() == 0, reason="root writes anywhere")
    def test_a_read_only_workbook_is_not_replaced(self, models, analyser, tmp_path):
        add(models, "a.arxml")
        target = tmp_path / "old.xlsx"
        target.write_bytes(b"the previous workbook")
        os.chmod(str(target), 0o444)
        with pytest.raises(PermissionError, match="read-only and is not replaced; make it writable, or choose "
                                                  "another output"):
            Tessaly().load(str(models), output=str(target))

    def test_a_workbook_that_cannot_be_replaced_at_the_end_is_named_with_advice(self, models, analyser,
                                                                                 tmp_path, monkeypatch):
        add(models, "a.arxml")
        target = tmp_path / "old.xlsx"
        target.write_bytes(b"the previous workbook")

        def refuse(source, destination):
            raise PermissionError(13, "Permission denied", source)
        monkeypatch.setattr(_output_path.os, "replace", refuse)
        with pytest.raises(PermissionError) as raised:
            Tessaly().load(str(models), output=str(target))
        assert str(raised.value) == ("%s: the workbook there cannot be replaced (Permission denied); close it in "
                                     "the program that has it open, or choose another output" % target)
        assert sorted(os.listdir(str(tmp_path))) == ["models", "old.xlsx", "work"]
        assert target.read_bytes() == b"the previous workbook"

    @pytest.mark.skipif(os.name != "posix" or sys.getfilesystemencoding() != "utf-8",
                        reason="names of any bytes are a POSIX matter")
    def test_an_output_name_that_is_not_utf8_is_written_under_its_bytes(self, models, analyser, tmp_path):
        add(models, "a.arxml")
        name = os.fsdecode(b"\xe9t\xe9.xlsx")
        Tessaly().load(str(models), output=str(tmp_path / name))
        assert b"\xe9t\xe9.xlsx" in os.listdir(os.fsencode(str(tmp_path)))
        missing = str(tmp_path / os.fsdecode(b"\xe9") / "x.xlsx")
        with pytest.raises(FileNotFoundError, match=r"x\.xlsx: the folder .*/\\xe9 does not exist$"):
            Tessaly().load(str(models), output=missing)


class TestOnError:
    def test_skip_leaves_failing_files_out_and_returns_them_in_order(self, models, analyser, tmp_path):
        add(models, *["m%d.arxml" % i for i in range(5)])
        entries = arxml_entries(models)
        errors = {entries[1]: KeyError("k"), entries[3]: ValueError("v")}
        analyser.results.update(errors)
        target = tmp_path / "out.xlsx"
        skipped = Tessaly().load(str(models), output=str(target), on_error="skip")
        assert [(name, error) for name, error in skipped] == [(e, errors[e]) for e in entries if e in errors]
        assert all(error is errors[name] for name, error in skipped)
        assert sheet_names(target) == [e[:-6] for e in entries if e not in errors]

    @pytest.mark.parametrize("result, error", [
        ((1, 2, 3), ValueError),                          # raised by the loader itself, in C++
        (([["Swc", "If"]], [], [], [], [], []), IndexError),
        (([], [["Swc", None] + [""] * 14], [], [], [], []), TypeError),  # fails inside the sheet
    ], ids=["unpacking", "interface-record", "half-written-sheet"])
    def test_skip_catches_failures_of_every_stage_and_drops_a_begun_sheet(self, models, analyser, result, error):
        add(models, "a.arxml", "bad.arxml", "c.arxml")
        analyser.results["bad.arxml"] = result
        skipped = Tessaly().load(str(models), output="out.xlsx", on_error="skip")
        assert [(name, type(e)) for name, e in skipped] == [("bad.arxml", error)]
        names = sheet_names("out.xlsx")
        assert sorted(names) == ["a", "c"]

    def test_skip_without_failures_returns_an_empty_list(self, models, analyser):
        add(models, "a.arxml")
        assert Tessaly().load(str(models), on_error="skip") == []
        assert sheet_names("SignalList.xlsx") == ["a"]

    def test_skip_lets_an_interrupt_through(self, models, analyser):
        add(models, "a.arxml", "b.arxml")
        analyser.results["a.arxml"] = KeyboardInterrupt()
        with pytest.raises(KeyboardInterrupt):
            Tessaly().load(str(models), output="out.xlsx", on_error="skip")
        assert os.listdir(".") == []

    def test_skip_still_fails_for_a_missing_directory(self, models, analyser):
        with pytest.raises(OSError):
            Tessaly().load(str(models / "absent"), on_error="skip")

    @pytest.mark.parametrize("value", ["Raise", "ignore", None, 1])
    def test_unknown_mode_is_refused_before_any_work(self, models, analyser, value):
        add(models, "a.arxml")
        with pytest.raises(ValueError):
            Tessaly().load(str(models), on_error=value)
        assert os.listdir(".") == []


class TestProgress:
    def test_called_after_each_arxml_entry_with_index_total_name_and_size(self, models, analyser):
        add(models, "a.arxml", "b.arxml", "c.arxml", size=123)
        add(models, "notes.txt", "d.xml")
        (models / "folder.arxml").mkdir()
        entries = arxml_entries(models)
        analyser.results["b.arxml"] = RuntimeError("bad")
        calls = []
        Tessaly().load(str(models), on_error="skip", progress=lambda *args: calls.append(args))
        sizes = {"folder.arxml": 0}
        assert calls == [(i + 1, 4, e, sizes.get(e, 123)) for i, e in enumerate(entries)]

    def test_comes_after_the_sheet_and_not_for_a_file_that_ends_the_run(self, models, analyser):
        add(models, "a.arxml", "b.arxml")
        entries = arxml_entries(models)
        analyser.results[entries[1]] = RuntimeError("bad")
        calls = []
        with pytest.raises(RuntimeError):
            Tessaly().load(str(models), progress=lambda *args: calls.append(args[2]))
        assert calls == [entries[0]]

    def test_not_callable_is_refused(self, models, analyser):
        with pytest.raises(TypeError):
            Tessaly().load(str(models), progress="bar")


class TestPlainCall:
    def test_options_are_keyword_only(self, models, analyser):
        with pytest.raises(TypeError):
            Tessaly().load(str(models), "out.xlsx")

    def test_plain_load_writes_signal_list_in_place_and_returns_none(self, models, analyser, monkeypatch):
        add(models, "a.arxml")
        made = []
        base = tessaly_module.Workbook

        class Recording(base):
            def __init__(self, *args, **kwargs):
                made.append((args, kwargs))
                base.__init__(self, *args, **kwargs)
        monkeypatch.setattr(tessaly_module, "Workbook", Recording)
        assert Tessaly().load(str(models)) is None
        assert Tessaly().load(path=str(models), output=None, on_error="raise", progress=None) is None
        assert made == [(("./SignalList.xlsx",), {})] * 2
        assert os.listdir(".") == ["SignalList.xlsx"]


class TestCounts:
    def test_counts_of_sheets_signals_files_and_bytes(self, models, analyser):
        add(models, "a.arxml", "b.arxml", "c.arxml", size=100)
        analyser.results["a.arxml"] = ports("a", inputs=3, outputs=2)
        analyser.results["b.arxml"] = RuntimeError("bad")
        stats = {}
        Tessaly().load(str(models), on_error="skip", _stats=stats)
        assert stats == {"total": 3, "files": 3, "sheets": 2, "inputs": 4, "outputs": 3, "bytes": 300,
                         "skipped": 1, "entry": None, "output_ready": True, "written": True}

    def test_names_the_file_that_ended_the_run(self, models, analyser):
        add(models, "a.arxml", "b.arxml")
        failing = arxml_entries(models)[0]
        analyser.results[failing] = RuntimeError("bad")
        stats = {}
        with pytest.raises(RuntimeError):
            Tessaly().load(str(models), _stats=stats)
        assert stats["entry"] == failing and stats["sheets"] == 0


class TestRealFiles:
    def test_examples_with_broken_files_under_skip(self, tmp_path):
        source = tmp_path / "models"
        shutil.copytree(EXAMPLES, str(source))
        (source / "Broken.arxml").write_text(u"<?xml version='1.0'?>\n<AUTOSAR>\n  <AR-PACKAGES>\n</AUTOSAR>\n")
        (source / "Other.arxml").write_text(u"<?xml version='1.0'?>\n<PROJECT/>\n")
        target = tmp_path / "out.xlsx"
        stats = {}
        skipped = dict(Tessaly().load(str(source), output=str(target), on_error="skip", _stats=stats))
        assert sorted(skipped) == ["Broken.arxml", "Other.arxml"]
        broken = skipped["Broken.arxml"]
        assert isinstance(broken, ValueError) and (broken.lineno, broken.colno) == (4, 3)
        assert broken.filename == str(source / "Broken.arxml")
        assert sorted(sheet_names(target)) == ["DoorLock", "SeatHeater", "WiperControl"]
        book = openpyxl.load_workbook(str(target))
        inputs = sum(1 for sheet in book for row in sheet.iter_rows(min_row=2, min_col=2, max_col=2) if row[0].value)
        outputs = sum(1 for sheet in book for row in sheet.iter_rows(min_row=2, min_col=9, max_col=9) if row[0].value)
        assert (stats["sheets"], stats["inputs"], stats["outputs"]) == (3, inputs, outputs)
