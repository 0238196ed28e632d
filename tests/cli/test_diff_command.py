"""velvane diff OLD NEW: the change lines, the summary, diff(1)'s exit statuses, failing files with and
without -k, and the Changes workbook read back."""
import os
import re
import shutil
import subprocess
import sys
import uuid

import openpyxl
import pytest

from Velvane import diff_command

import deliveries
from conftest import REPO

SUMMARY = "velvane: 18 changes in 4 components (1 added, 1 removed, 2 changed)"
BROKEN_XML = u"<?xml version='1.0'?>\n<AUTOSAR>\n  <AR-PACKAGES>\n</AUTOSAR>\n"


@pytest.fixture
def pair(tmp_path):
    return deliveries.write_deliveries(tmp_path)


def diff(capsys, *args):
    status = diff_command.main([str(a) for a in args])
    out, err = capsys.readouterr()
    return status, out.splitlines(), err.splitlines()


def test_differences_give_one_line_each_then_the_summary_and_status_1(pair, capsys):
    status, out, err = diff(capsys, *pair)
    assert (status, err) == (1, [SUMMARY])
    assert len(out) == len(deliveries.CHANGES)
    for line in ["Body: connector added: door.Out_Same -> panel.In_Other (c_other)",
                 "Door/In_Added (input): port added: UInt8",
                 "Door/In_Alive (input): timeout changed: 0.5 s -> 1 s",
                 "Door/Out_State (output): values changed: (none) -> P;R;N;D;S",
                 "Door/Out_Gone (output): port removed: UInt8",
                 "Gone: component removed: /Swc/Gone"]:
        assert line in out
    assert out == sorted(out, key=out.index)  # in the order of the rows
    status, out, err = diff(capsys, "-q", *pair)
    assert (status, out, err) == (1, [], [SUMMARY])


def test_identical_deliveries_give_status_0_and_no_lines(pair, capsys):
    old, _ = pair
    assert diff(capsys, old, old) == (0, [], ["velvane: no differences"])


def test_the_changes_workbook(pair, tmp_path, capsys):
    target = tmp_path / "changes.xlsx"
    status, _, _ = diff(capsys, pair[0], pair[1], "-o", target)
    assert status == 1 and sorted(os.listdir(str(tmp_path))) == ["changes.xlsx", "new", "old"]
    book = openpyxl.load_workbook(str(target))
    assert book.sheetnames == ["Changes"]
    sheet = book["Changes"]
    rows = list(sheet.iter_rows(values_only=True))
    assert rows[0] == ("Component", "Port", "Direction", "Change", "Old", "New")
    assert [tuple(value or "" for value in row) for row in rows[1:]] == deliveries.CHANGES
    assert sheet.freeze_panes == "A2" and sheet.auto_filter.ref == "A1:F19"
    assert sheet["A1"].font.b and sheet["A1"].fill.fgColor.rgb == "FF64A600"
    fills = {sheet.cell(row=r, column=4).value: sheet.cell(row=r, column=c).fill.fgColor.rgb
             for r in range(2, sheet.max_row + 1) for c in range(1, 7)}
    assert fills["port added"] == fills["component added"] == fills["connector added"] == "FFC6E0B4"
    assert fills["port removed"] == fills["component removed"] == fills["connector removed"] == "FFF0A0A0"
    assert fills["type changed"] == fills["init value changed"] == "FFFFF2CC"


def test_a_failing_file_stops_the_run_without_k_and_is_left_out_with_it(pair, tmp_path, capsys):
    old, new = pair
    broken = os.path.join(new, "Broken.arxml")
    with open(broken, "w") as f:
        f.write(BROKEN_XML)
    target = tmp_path / "changes.xlsx"
    status, out, err = diff(capsys, old, new, "-o", target)
    assert (status, out) == (2, [])
    assert err[0] == "%s:4:3: error: start-end tags mismatch" % broken
    assert err[1].startswith("velvane: stopped at the first failing file; nothing written to")
    assert not target.exists()

    status, out, err = diff(capsys, old, new, "-o", target, "-k")
    assert (status, len(out)) == (2, len(deliveries.CHANGES))  # incomplete, so still trouble
    assert err == ["%s:4:3: error: start-end tags mismatch" % broken,
                   SUMMARY + "; incomplete: 1 file of %s left out" % new]
    assert target.is_file()
    status, out, err = diff(capsys, old, old, "-k", "--types-from", broken)
    assert (status, out) == (2, [])
    assert err == ["%s:4:3: error: start-end tags mismatch" % broken,  # once, though both sides lost it
                   "velvane: no differences; incomplete: 1 file of %s and 1 file of %s left out" % (old, old)]


@pytest.mark.parametrize("args, message", [
    (["{old}", "{tmp}/nowhere"], "nowhere: no such directory"),
    (["{old}", "{new}", "--types-from", "{tmp}/nowhere"], "nowhere: no such type source"),
    (["{old}", "{new}", "-o", "{tmp}/no/such/folder.xlsx"], "/no/such does not exist"),
])
def test_paths_that_cannot_be_used_give_status_2_before_any_work(pair, tmp_path, capsys, args, message):
    old, new = pair
    status, out, err = diff(capsys, *[a.format(old=old, new=new, tmp=tmp_path) for a in args])
    assert (status, out) == (2, []) and len(err) == 1 and err[0].endswith(message)


def test_velvane_diff_runs_as_a_subcommand(pair, tmp_path):
    old, new = pair
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    done = subprocess.run([sys.executable, "-m", "Velvane", "diff", old, new], env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, universal_newlines=True, timeout=120)
    assert (done.returncode, done.stderr) == (1, SUMMARY + "\n")
    listed = subprocess.run([sys.executable, "-m", "Velvane", "--help"], env=env, stdout=subprocess.PIPE,
                            universal_newlines=True, timeout=120).stdout
    assert "diff " in listed.split("subcommands")[1]


def edit(path, old, new, count=1):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    assert text.count(old) >= count, old
    with open(path, "w", encoding="utf-8") as f:
        f.write(text.replace(old, new, count))


def copy_of(folder, target):
    shutil.copytree(folder, target)
    os.remove(os.path.join(target, "README.md"))
    os.chmod(target, 0o755)
    for name in os.listdir(target):
        os.chmod(os.path.join(target, name), 0o644)


def make_later_delivery(new):
    """Edits the copy `new` of the public sample files into a later delivery: a few edits made by hand,
    and UUIDs, port order, file names and the place of an interface changed as tools change them."""
    interfaces = os.path.join(new, "portinterfaces.arxml")
    with open(interfaces, encoding="utf-8") as f:
        text = f.read()
    moved = re.search(r"\s*<SENDER-RECEIVER-INTERFACE>\s*<SHORT-NAME>EngineSpeed_I<.*?</SENDER-RECEIVER-INTERFACE>",
                      text, re.S).group(0)
    with open(os.path.join(new, "moved.arxml"), "w", encoding="utf-8") as f:
        f.write(text.split("<ELEMENTS>")[0] + "<ELEMENTS>" + moved + "</ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>")
    edit(interfaces, moved, "")
    edit(interfaces, "ImplementationDataTypes/uint16</TYPE-TREF>", "ImplementationDataTypes/uint8</TYPE-TREF>")
    edit(os.path.join(new, "ReceiverComponent.arxml"), "<ALIVE-TIMEOUT>0<", "<ALIVE-TIMEOUT>0.5<")
    components = os.path.join(new, "SoftwareComponents.arxml")
    edit(components, "<QUEUE-LENGTH>8<", "<QUEUE-LENGTH>16<")
    edit(components, "<SHORT-NAME>P_CounterOut<", "<SHORT-NAME>P_CounterRenamed<")
    with open(components, encoding="utf-8") as f:
        connector = re.findall(r"<ASSEMBLY-SW-CONNECTOR>.*?</ASSEMBLY-SW-CONNECTOR>", f.read(), re.S)
    edit(components, [c for c in connector if "P_MyLED" in c][0], "")
    decoder = os.path.join(new, "CtApSwitchDecoder.arxml")
    edit(decoder, "<VALUE>0</VALUE>", "<VALUE>1</VALUE>")
    with open(decoder, encoding="utf-8") as f:
        text = re.sub(r'UUID="[^"]*"', lambda m: 'UUID="%s"' % uuid.uuid4(), f.read())
    ports = re.findall(r"<R-PORT-PROTOTYPE .*?</R-PORT-PROTOTYPE>", text, re.S)
    text = text.replace(ports[1] + "\n", "").replace(ports[0], ports[0] + "\n" + ports[1])  # second before third
    with open(decoder, "w", encoding="utf-8") as f:
        f.write(text)
    os.rename(os.path.join(new, "SenderComponent.arxml"), os.path.join(new, "SenderComponent_v2.arxml"))


def test_two_deliveries_of_a_real_project(shared_arxml_dir, tmp_path, capsys):
    old, new = str(tmp_path / "old"), str(tmp_path / "new")
    copy_of(shared_arxml_dir, old)
    copy_of(shared_arxml_dir, new)
    make_later_delivery(new)
    status, out, err = diff(capsys, old, new)
    assert (status, err) == (1, ["velvane: 8 changes in 5 components (0 added, 0 removed, 5 changed)"])
    assert out == [
        "CtApSwitchDecoder/PpFLSenseState (input): init value changed: 0 -> 1",
        "ReceiverComponent/EngineSpeed (input): timeout changed: (none) -> 0.5 s",
        "ReceiverComponent/VehicleSpeed (input): type changed: uint16 -> uint8",
        "SWC_CyclicCounter/P_CounterOut (output): port removed: uint8",
        "SWC_CyclicCounter/P_CounterRenamed (output): port added: uint8",
        "SWC_CyclicCounter/R_SpecialHandling (input): queue length changed: 8 -> 16",
        "SenderComponent/VehicleSpeed (output): type changed: uint16 -> uint8",
        "TopLevelComposition: connector removed: SWC_IoHwAbs.P_MyLED -> SWC_CyclicCounter.R_MyLED "
        "(ac681652833fb4b12b920adab33a73c)",
    ]


def test_the_documented_example(capsys):
    """docs/diff.md shows the listing of the bundled later delivery: it is what the command prints."""
    with open(os.path.join(REPO, "docs", "diff.md"), encoding="utf-8") as f:
        shown = f.read().split("$ velvane diff examples/composition examples/composition-v2 -o changes.xlsx\n")[1]
    shown = shown.split("\n$ echo")[0].splitlines()
    status, out, err = diff(capsys, os.path.join(REPO, "examples", "composition"),
                            os.path.join(REPO, "examples", "composition-v2"))
    assert (status, out + err) == (1, shown)
