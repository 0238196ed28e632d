"""The velvane command end to end, as `python -m Velvane` in a child process: exit status, messages,
the workbook it writes or leaves alone, and the progress bar on a terminal."""
import os
import re
import shutil
import subprocess
import sys

import openpyxl
import pytest

import Velvane
from Velvane import cli
from conftest import EXAMPLES

PACKAGE_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(Velvane.__file__)))
EXAMPLE_SHEETS = ["DoorLock", "SeatHeater", "WiperControl"]

BROKEN_XML = u"<?xml version='1.0'?>\n<AUTOSAR>\n  <AR-PACKAGES>\n</AUTOSAR>\n"


def child_env():
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in (PACKAGE_ROOT, env.get("PYTHONPATH")) if p)
    return env


def velvane(*args, **kwargs):
    return subprocess.run([sys.executable, "-m", "Velvane"] + [str(a) for a in args], env=child_env(),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True,
                          timeout=120, **kwargs)


@pytest.fixture
def models(tmp_path):
    """A copy of examples/ to which a test may add bad files."""
    source = tmp_path / "models"
    shutil.copytree(EXAMPLES, str(source))
    return source


def sheets(path):
    return sorted(openpyxl.load_workbook(str(path)).sheetnames)


class TestSuccess:
    def test_examples_to_the_named_workbook_with_one_summary_line(self, models, tmp_path):
        target = tmp_path / "out" / "Signals.xlsx"
        target.parent.mkdir()
        done = velvane(models, "-o", target)
        assert done.returncode == 0, done.stderr
        assert sheets(target) == EXAMPLE_SHEETS
        assert done.stdout == ""
        (line,) = done.stderr.splitlines()
        assert re.match(r"velvane: wrote .*Signals\.xlsx: 3 sheets, \d+ input and \d+ output signals \(\d+ typed\), "
                        r"3 files, read \d+\.\d\d MB, \d+\.\d\d s$", line), line
        assert "\r" not in done.stderr and "\x1b" not in done.stderr  # no bar off a terminal
        assert os.listdir(str(target.parent)) == ["Signals.xlsx"]

    def test_default_output_is_signal_list_in_the_working_directory(self, models, tmp_path):
        work = tmp_path / "work"
        work.mkdir()
        done = velvane(models, cwd=str(work))
        assert done.returncode == 0, done.stderr
        assert os.listdir(str(work)) == ["SignalList.xlsx"]
        assert sheets(work / "SignalList.xlsx") == EXAMPLE_SHEETS

    def test_quiet_says_nothing_and_tpms_line_stays_on_standard_output(self, models, tmp_path):
        os.rename(str(models / "WiperControl.arxml"), str(models / "TPMS_Wiper.arxml"))
        done = velvane(models, "-q", "-o", tmp_path / "out.xlsx")
        assert (done.returncode, done.stdout, done.stderr) == (0, "a\n", "")

    def test_sheets_come_in_the_order_of_the_file_names_ready_to_filter(self, models, tmp_path):
        target = tmp_path / "out.xlsx"
        os.rename(str(models / "DoorLock_Model.arxml"), str(models / "Zulu.arxml"))
        done = velvane(models, "-o", target)
        assert done.returncode == 0, done.stderr
        book = openpyxl.load_workbook(str(target))
        assert book.sheetnames == ["SeatHeater", "WiperControl", "Zulu"]
        assert [(sheet.freeze_panes, sheet.auto_filter.ref) for sheet in book.worksheets] == [
            ("A2", "A1:O%d" % sheet.max_row) for sheet in book.worksheets]

    def test_an_output_name_excel_does_not_open_is_written_with_a_warning(self, models, tmp_path):
        done = velvane(models, "-o", tmp_path / "out.csv")
        assert done.returncode == 0
        shutil.copy(str(tmp_path / "out.csv"), str(tmp_path / "copy.xlsx"))
        assert sheets(tmp_path / "copy.xlsx") == EXAMPLE_SHEETS
        assert done.stderr.splitlines()[0] == ("velvane: warning: %s does not end in .xlsx: Excel will not open "
                                               "the workbook by that name (it is written all the same)"
                                               % (tmp_path / "out.csv"))

    def test_version(self):
        done = velvane("--version")
        assert (done.returncode, done.stdout.strip()) == (0, "velvane " + Velvane.__version__)


class TestBadFiles:
    @pytest.fixture
    def bad_models(self, models):
        (models / "Broken.arxml").write_text(BROKEN_XML)
        (models / "Folder.arxml").mkdir()
        return models

    def test_without_keep_going_nothing_is_written_and_the_old_workbook_stays(self, bad_models, tmp_path):
        target = tmp_path / "out.xlsx"
        target.write_bytes(b"the previous workbook")
        done = velvane(bad_models, "-o", target)
        assert done.returncode == 1
        assert target.read_bytes() == b"the previous workbook"
        assert sorted(os.listdir(str(tmp_path))) == ["models", "out.xlsx"]
        lines = done.stderr.splitlines()
        assert len(lines) == 2 and "nothing written" in lines[1]
        assert re.match(r"%s:4:3: error: .*mismatch|%s: error: Is a directory$" % (
            re.escape(str(bad_models / "Broken.arxml")), re.escape(str(bad_models / "Folder.arxml"))), lines[0])

    def test_keep_going_writes_the_good_files_and_names_every_bad_one(self, bad_models, tmp_path):
        (bad_models / "Other.arxml").write_text(u"<?xml version='1.0'?>\n<PROJECT/>\n")
        target = tmp_path / "out.xlsx"
        done = velvane(bad_models, "--keep-going", "-o", target)
        assert done.returncode == 1
        assert sheets(target) == EXAMPLE_SHEETS
        lines = done.stderr.splitlines()
        # One line per bad file, in listing order; the causes are the binding's own wording.
        expected = {
            "Broken.arxml": r":4:3: error: .*mismatch",
            "Folder.arxml": r": error: Is a directory$",
            "Other.arxml": r":2:1: error: .*PROJECT",
        }
        assert len(lines) == 4, lines
        for line in lines[:-1]:
            name = os.path.basename(line.split(":")[0])
            assert line.startswith(str(bad_models / name)) and re.search(expected.pop(name), line), line
        assert "3 sheets" in lines[-1] and "6 files (3 left out)" in lines[-1]
        assert "Traceback" not in done.stderr

    def test_debug_shows_the_traceback(self, bad_models, tmp_path):
        shutil.rmtree(str(bad_models / "Folder.arxml"))
        done = velvane(bad_models, "--debug", "-o", tmp_path / "out.xlsx")
        assert done.returncode == 1
        assert re.search(r"Traceback \(most recent call last\):\n  File .*\n(.*\n)*.*ParseError: .*Broken\.arxml:4:3: "
                         r"start-end tags mismatch\n", done.stderr), done.stderr
        done = velvane(bad_models, "-k", "--debug", "-o", tmp_path / "out.xlsx")
        assert "Traceback: raised inside the native modules (no Python frames)\n" in done.stderr

    @pytest.mark.parametrize("text, cause", [
        (u"<?xml version='1.0'?>\n<AUTOSAR xmlns='http://autosar.org/3.2.1'>\n<TOP-LEVEL-PACKAGES/>\n</AUTOSAR>\n",
         ": error: AUTOSAR 3.2.1 file (http://autosar.org/3.2.1): Velvane reads AUTOSAR R4.0 and later"),
        (u"<?xml version='1.0'?>\n<AUTOSAR xmlns='http://autosar.org/schema/r4.0'/>\n",
         ": error: no AR-PACKAGES under AUTOSAR: the file defines no package"),
        (u"<?xml version='1.0'?>\n<PROJECT/>\n", ":2:1: error: not an AUTOSAR file: root element is <PROJECT>"),
    ], ids=["autosar-3", "no-packages", "other-root"])
    def test_a_file_that_is_not_autosar_r4_is_refused_in_words(self, models, tmp_path, text, cause):
        (models / "Legacy.arxml").write_text(text)
        done = velvane(models, "-o", tmp_path / "out.xlsx")
        assert done.returncode == 1 and not (tmp_path / "out.xlsx").exists()
        assert done.stderr.splitlines()[0] == str(models / "Legacy.arxml") + cause

    @pytest.mark.parametrize("layout, found", [
        (["Notes.ARXML", "Door.xml", "Readme.txt"], "2 files ending .ARXML or .xml: only .arxml is read"),
        (["Config/Door.arxml", "Config/Types/Types.arxml", "Config/Seat.arxml"], ".arxml files in 2 sub-folders: add -r"),
        ([], "the folder is empty"),
        (["Readme.txt"], "it holds 1 entry, none of them ending .arxml"),
    ], ids=["suffixes", "sub-folders", "empty", "other-files"])
    def test_a_folder_with_no_arxml_file_writes_nothing_and_says_what_it_holds(self, tmp_path, layout, found):
        folder = tmp_path / "models"
        folder.mkdir()
        for name in layout:
            (folder / name).parent.mkdir(parents=True, exist_ok=True)
            (folder / name).write_text(u"<AUTOSAR/>")
        target = tmp_path / "out.xlsx"
        target.write_bytes(b"the previous workbook")
        done = velvane(folder, "-o", target)
        assert done.returncode == 1 and target.read_bytes() == b"the previous workbook"
        assert done.stderr == "velvane: error: no .arxml file in %s; %s; nothing written to %s\n" % (
            folder, found, target)

    def test_an_encoding_not_read_is_named_where_it_is_declared(self, models, tmp_path):
        path = models / "Japanese.arxml"
        path.write_bytes(b"<?xml version='1.0' encoding='Shift_JIS'?>\n<AUTOSAR>\x83\x68\x83\x41</AUTOSAR>\n")
        done = velvane(models, "-k", "-o", tmp_path / "out.xlsx")
        assert done.returncode == 1
        assert done.stderr.splitlines()[0] == "%s:1:31: error: unsupported encoding Shift_JIS" % path


class TestUsage:
    @pytest.mark.parametrize("case", ["no-arguments", "unknown-option", "types-from-with-file"])
    def test_usage_errors_print_the_usage_and_exit_2(self, models, tmp_path, case):
        args = {
            "no-arguments": [],
            "unknown-option": [models, "--fast"],
            "types-from-with-file": [models, "--types-from", models, "--resolve", "file"],
        }[case]
        done = velvane(*args, "-o", tmp_path / "out.xlsx") if args else velvane()
        assert done.returncode == 2
        assert done.stderr.startswith("usage: velvane") and "Traceback" not in done.stderr
        assert sorted(os.listdir(str(tmp_path))) == ["models"]

    @pytest.mark.parametrize("case", ["missing", "file", "output-folder-missing", "output-is-folder",
                                      "output-under-a-file"])
    def test_paths_that_cannot_be_used_get_one_line_and_exit_2_before_any_work(self, models, tmp_path, case):
        target = tmp_path / "out.xlsx"
        args, expected = {
            "missing": ([tmp_path / "absent", "-o", target], "%s: no such directory" % (tmp_path / "absent")),
            "file": ([models / "WiperControl.arxml", "-o", target],
                     "%s: not a directory" % (models / "WiperControl.arxml")),
            "output-folder-missing": ([models, "-o", tmp_path / "absent" / "out.xlsx"],
                                      "%s: the folder %s does not exist" % (tmp_path / "absent" / "out.xlsx",
                                                                            tmp_path / "absent")),
            "output-is-folder": ([models, "-o", tmp_path], "%s: names a folder; name the workbook file in it, "
                                                           "as in %s" % (tmp_path, tmp_path / "SignalList.xlsx")),
            "output-under-a-file": ([models, "-o", models / "WiperControl.arxml" / "out.xlsx"],
                                    "%s: %s is not a folder" % (models / "WiperControl.arxml" / "out.xlsx",
                                                               models / "WiperControl.arxml")),
        }[case]
        done = velvane(*args)
        assert (done.returncode, done.stderr) == (2, "velvane: error: %s\n" % expected)
        assert sorted(os.listdir(str(tmp_path))) == ["models"]

    @pytest.mark.skipif(hasattr(os, "geteuid") and os.geteuid() == 0, reason="root writes anywhere")
    def test_output_folder_not_writable(self, models, tmp_path):
        folder = tmp_path / "locked"
        folder.mkdir()
        os.chmod(str(folder), 0o500)
        try:
            done = velvane(models, "-o", folder / "out.xlsx")
        finally:
            os.chmod(str(folder), 0o700)
        assert done.returncode == 2 and "does not let you create files in it; choose another -o" in done.stderr


@pytest.mark.skipif(not hasattr(os, "openpty"), reason="needs a pseudo-terminal")
def test_progress_bar_on_a_terminal(models, tmp_path):
    import pty  # noqa: F401 - only where pseudo-terminals exist
    for index in range(5):
        shutil.copy(str(models / "DoorLock_Model.arxml"), str(models / ("Copy%d.arxml" % index)))
    os.rename(str(models / "WiperControl.arxml"), str(models / "TPMS_Wiper.arxml"))
    master, slave = os.openpty()
    child = subprocess.Popen([sys.executable, "-m", "Velvane", str(models), "-o", str(tmp_path / "o.xlsx")],
                             env=child_env(), stdout=slave, stderr=slave)
    os.close(slave)
    shown = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the child closed the terminal
            break
        if not chunk:
            break
        shown += chunk
    os.close(master)
    assert child.wait(timeout=120) == 0
    text = shown.decode("utf-8")
    assert re.search(r"\r\[#{20}\] 8/8 +\d+\.\d MB/s  \S+\.arxml\x1b\[K", text), text
    # The bar is wiped before the TPMS line and before the summary, so both start on a clean line.
    assert "\r\x1b[Ka\r\n" in text
    assert re.search(r"\r\x1b\[Kvelvane: wrote .*: 8 sheets", text), text


class TestMessages:
    @pytest.mark.parametrize("error, expected", [
        (type("ParseError", (ValueError,), {"lineno": 3, "colno": 7, "cause": "bad tag"})("x"),
         "m/a.arxml:3:7: error: bad tag"),
        (IsADirectoryError(21, "Is a directory"), "m/a.arxml: error: Is a directory"),
        (IndexError("list index out of range"), "m/a.arxml: error: IndexError: list index out of range"),
        (KeyError(), "m/a.arxml: error: KeyError"),
    ])
    def test_one_line_per_failure(self, error, expected):
        assert cli.describe_failure(os.path.join("m", "a.arxml"), error) == expected

    def test_bar_redraws_at_most_every_tenth_of_a_second_but_always_the_last_file(self):
        class Stream(object):
            def __init__(self):
                self.text = ""

            def write(self, text):
                self.text += text

            def flush(self):
                pass
        now = [0.0]
        stream = Stream()
        bar = cli.ProgressBar(stream, clock=lambda: now[0])
        for index, at in enumerate([0.01, 0.02, 0.2, 0.21], start=1):
            now[0] = at
            bar.update(index, 4, "F%d.arxml" % index, 10 ** 6)
        assert re.findall(r"\] (\d)/4", stream.text) == ["1", "3", "4"]
        assert stream.text.endswith("] 4/4   19.0 MB/s  F4.arxml\x1b[K")
        assert len(bar.line(1, 4, "N" * 500, 1.0)) == bar.width() - 1
