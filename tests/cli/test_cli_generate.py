"""`velvane generate` end to end, in a child process: exit statuses, the lines on standard error,
and what is (not) written."""
import os

from conftest import EXAMPLES
from signal_workbooks import write_workbook
from test_cli import velvane


def workbook(path, sheets):
    """sheets: {name: [input signal names]}, each of type uint8."""
    return write_workbook(path, {name: [{"A": str(row), "B": signal, "D": "uint8"} for row, signal in
                                        enumerate(names, start=1)] for name, names in sheets.items()})


def test_examples_workbook_gives_files_and_a_summary(tmp_path):
    signals = tmp_path / "W.xlsx"
    assert velvane(EXAMPLES, "--details", "-q", "-o", signals).returncode == 0
    done = velvane("generate", signals, "-o", tmp_path / "out" / "arxml")
    assert done.returncode == 0, done.stderr
    (line,) = done.stderr.splitlines()
    assert line.startswith("velvane: wrote 5 files to %s: 3 components and the shared" % (tmp_path / "out" / "arxml"))
    assert sorted(os.listdir(str(tmp_path / "out" / "arxml" / "Shared"))) == ["DataTypes.arxml", "PortInterfaces.arxml"]
    assert velvane("generate", signals, "-o", tmp_path / "q", "-q").stderr == ""


def test_a_bad_sheet_stops_the_run_or_is_left_out_with_keep_going(tmp_path):
    signals = workbook(tmp_path / "W.xlsx", {"Good": ["In_A"], "Brake": ["In_B", "In B"]})
    done = velvane("generate", signals, "-o", tmp_path / "out")
    assert done.returncode == 1
    assert done.stderr.splitlines() == [
        "%s: Brake!B3: error: signal name 'In B' is not a valid AUTOSAR identifier (a letter, then letters, digits "
        "and '_', at most 128)" % signals,
        "velvane: stopped at the first bad sheet; nothing written to %s (--keep-going leaves bad sheets out instead)"
        % (tmp_path / "out")]
    assert not (tmp_path / "out").exists()
    done = velvane("generate", signals, "-o", tmp_path / "out", "-k")
    assert done.returncode == 1
    bad, summary = done.stderr.splitlines()
    assert bad.startswith("%s: Brake!B3: error: " % signals)
    assert "1 component (1 sheet left out)" in summary
    assert sorted(os.listdir(str(tmp_path / "out"))) == ["Good.arxml", "Shared"]


def test_usage_errors_exit_2_before_any_work(tmp_path):
    text = tmp_path / "notes.xlsx"
    text.write_text(u"plain text")
    (tmp_path / "file").write_text(u"")
    signals = workbook(tmp_path / "W.xlsx", {"Good": ["In_A"]})
    for args, message, usage in [
            ((tmp_path / "missing.xlsx", "-o", tmp_path / "out"), "missing.xlsx: no such file", False),
            ((tmp_path, "-o", tmp_path / "out"), ": not a file", False),
            ((text, "-o", tmp_path / "out"), "notes.xlsx: not a workbook: not a zip archive", False),
            ((signals, "-o", tmp_path / "file"), "file: not a folder", False),
            ((signals,), "the following arguments are required: -o/--output", True)]:
        done = velvane("generate", *args)
        assert done.returncode == 2, (args, done.stderr)
        # Only a command line that cannot be read shows the usage text.
        assert done.stderr.startswith("usage: velvane generate") == usage and message in done.stderr, done.stderr
    assert not (tmp_path / "out").exists()
