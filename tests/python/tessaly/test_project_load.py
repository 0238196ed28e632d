"""Tessaly.load(path, resolve="project") end to end: ports typed across the files of a directory,
what the plain look-ups found kept, and the same workbook as resolve="file" for self-contained files.

The analyser's type tables live as long as the process, so the hand-written projects name their types
so that no other test's tables can type them."""
import os
import subprocess
import sys

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Tessaly import Tessaly, _ProjectTypes

import split_projects as sp
from conftest import EXAMPLES, REPO

sys.path.insert(0, os.path.join(REPO, "tools"))
import gen_corpus  # noqa: E402

INPUT = "BCDH"     # signal, module, type, text
OUTPUT = "IJKO"


@pytest.fixture
def workdir(tmp_path, monkeypatch):
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    return work


def load(directory, **options):
    """Loads into ./SignalList.xlsx and returns the workbook read back."""
    Tessaly().load(str(directory), **options)
    return openpyxl.load_workbook("SignalList.xlsx")


def row(sheet, number, columns):
    return [sheet["%s%d" % (c, number)].value for c in columns]


class ListingOrder(object):
    """Stands in for the module's `os`, listing a directory in a chosen order."""

    def __init__(self, order):
        self.order = order
        self.path = os.path

    def listdir(self, path):
        names = os.listdir(path)
        return sorted(names, key=lambda n: self.order.index(n) if n in self.order else len(self.order))

    def __getattr__(self, name):
        return getattr(os, name)


# -- split projects --

@pytest.mark.parametrize("order", [
    ["Cabin.arxml", "Interfaces.arxml", "DataTypes.arxml"],
    ["DataTypes.arxml", "Interfaces.arxml", "Cabin.arxml"],
], ids=["component-first", "types-first"])
def test_split_project_typed_in_either_listing_order(tmp_path, workdir, monkeypatch, order):
    directory = sp.write_basic_project(tmp_path / "p")
    monkeypatch.setattr(tessaly_module, "os", ListingOrder(order))
    book = load(directory, resolve="project")
    assert book.sheetnames == [name[:-len(".arxml")] for name in order]
    sheet = book["Cabin"]
    assert row(sheet, 2, INPUT) == ["In_Veh_Speed", "Veh", "UInt16", None]
    assert row(sheet, 3, INPUT) == ["In_Tcu_Gear", "Tcu", "Gear_T", "P;R;N;D"]
    assert row(sheet, 4, INPUT) == ["In_Abs_Wheels[4]", "Abs", "UInt16", None]
    assert row(sheet, 2, OUTPUT) == ["Out_Door", "Cabin", "Door_T", "UInt8;Gear_T;&open;gear;"]
    for cell in ("D2", "H3", "K2", "O2"):
        assert sheet[cell].data_type == "s" and sheet[cell].border.left.style == "thin"
    # the files without a component keep their empty sheets
    assert book["Interfaces"].max_row == 1 and book["DataTypes"].max_row == 1


def test_file_mode_and_default_leave_split_projects_untyped(tmp_path, workdir):
    directory = sp.write_basic_project(tmp_path / "p")
    for options in ({}, {"resolve": "file"}):
        sheet = load(directory, **options)["Cabin"]
        assert [row(sheet, n, "BD") for n in (2, 3, 4)] == [["In_Veh_Speed", None], ["In_Tcu_Gear", None],
                                                             ["In_Abs_Wheels", None]]
        assert row(sheet, 2, "IK") == ["Out_Door", None]


@pytest.mark.parametrize("value", ["Project", "files", "", None, 1, b"project"])
def test_resolve_takes_file_or_project_only(tmp_path, workdir, value):
    with pytest.raises(ValueError, match="resolve"):
        Tessaly().load(str(tmp_path), resolve=value)
    assert not os.path.exists("SignalList.xlsx")


def test_resolve_is_keyword_only(tmp_path, workdir):
    with pytest.raises(TypeError):
        Tessaly().load(str(tmp_path), None, "raise", None, "project")


# -- what the plain look-ups found stays --

def precedence_project(directory):
    """A component file that also holds interfaces and types named by the file convention, so that the
    plain look-ups type some ports on their own; the references lead to other types elsewhere."""
    own = sp.packages(sp.package("Own", [
        sp.component("Prec", [
            # typed by name: an interface named like the port, in this file; the reference agrees
            sp.port("R", "In_Same", "/Ifs/If_Same"),
            # typed by name, but the reference leads to another type: the plain type stays alone
            sp.port("R", "In_Other", "/Ifs/If_Other"),
            # plain array suffix [3] from the type's name; the array type itself says 7
            sp.port("P", "Out_Arr", "/Ifs/If_Arr"),
            # plain enumeration through COMPU_<type>; the type's own compu method says otherwise
            sp.port("P", "Out_Enum", "/Ifs/If_Enum")]),
        sp.sr_interface("In_Same", [("v", "/PrecTypes/PrecSame_T")]),
        sp.sr_interface("In_Other", [("v", "/PrecTypes/PrecPlain_T")]),
        sp.sr_interface("Out_Arr", [("v", "/PrecTypes/rt_Array_PrecU8_3")]),
        sp.sr_interface("Out_Enum", [("v", "/PrecTypes/PrecEnum_T")]),
        sp.compu_method("COMPU_PrecEnum_T", ["PLAIN_A", "PLAIN_B"])]))
    interfaces = sp.packages(sp.package("Ifs", [
        sp.sr_interface("If_Same", [("v", "/PrecTypes/PrecSame_T")]),
        sp.sr_interface("If_Other", [("v", "/PrecTypes/PrecOther_T")]),
        sp.sr_interface("If_Arr", [("v", "/PrecTypes/rt_Array_PrecU8_3")]),
        sp.sr_interface("If_Enum", [("v", "/PrecTypes/PrecEnum_T")])]))
    types = sp.packages(sp.package("PrecTypes", [
        sp.value_type("PrecSame_T", compu="/PrecCompu/SameLits"),
        sp.value_type("PrecOther_T", compu="/PrecCompu/OtherLits"),
        sp.array_type("rt_Array_PrecU8_3", "/PrecTypes/PrecU8", 7),
        sp.value_type("PrecU8"),
        sp.value_type("PrecEnum_T", compu="/PrecCompu/TypeLits")]),
        sp.package("PrecCompu", [sp.compu_method("SameLits", ["S0", "S1"]),
                                 sp.compu_method("OtherLits", ["O0"]),
                                 sp.compu_method("TypeLits", ["T0"])]))
    return sp.write_project(directory, {"Prec.arxml": own, "Ifs.arxml": interfaces, "PrecTypes.arxml": types})


def test_plain_results_stay_and_only_empty_cells_are_filled(tmp_path, workdir):
    directory = precedence_project(tmp_path / "p")
    plain = load(directory)["Prec"]
    assert row(plain, 2, INPUT) == ["In_Same", "Same", "PrecSame_T", None]
    assert row(plain, 3, INPUT) == ["In_Other", "Other", "PrecPlain_T", None]
    assert row(plain, 2, OUTPUT) == ["Out_Arr[3]", "Prec", "PrecU8", None]
    assert row(plain, 3, OUTPUT) == ["Out_Enum", "Prec", "PrecEnum_T", "PLAIN_A;PLAIN_B"]
    sheet = load(directory, resolve="project")["Prec"]
    # same type: the empty text cell is filled
    assert row(sheet, 2, INPUT) == ["In_Same", "Same", "PrecSame_T", "S0;S1"]
    # another type: nothing of the other type is mixed in
    assert row(sheet, 3, INPUT) == ["In_Other", "Other", "PrecPlain_T", None]
    # the plain suffix and the plain enumeration stay
    assert row(sheet, 2, OUTPUT) == ["Out_Arr[3]", "Prec", "PrecU8", None]
    assert row(sheet, 3, OUTPUT) == ["Out_Enum", "Prec", "PrecEnum_T", "PLAIN_A;PLAIN_B"]


# -- cycles, dangling references, files that cannot be read --

def test_cycles_and_dangling_references_are_named_missing_interfaces_leave_empty_cells(tmp_path, workdir):
    # interfaces and types in a file of their own, so that the plain look-ups type nothing here
    types = sp.packages(
        sp.package("Loop", [sp.reference_type("LoopA_T", "/Loop/LoopB_T"),
                            sp.reference_type("LoopB_T", "/Loop/LoopA_T"),
                            sp.array_type("LoopArr_T", "/Loop/LoopArr_T", 2),
                            sp.value_type("LoopFine_T")]),
        sp.package("LoopIfs", [sp.sr_interface("If_Cycle", [("v", "/Loop/LoopA_T")]),
                               sp.sr_interface("If_ArrCycle", [("v", "/Loop/LoopArr_T")]),
                               sp.sr_interface("If_Gone", [("v", "/NotHere/Type_T")]),
                               sp.sr_interface("If_Fine", [("v", "/Loop/LoopFine_T")])]))
    component = sp.packages(sp.package("LoopSwc", [sp.component("Loops", [
        sp.port("R", "In_Cycle", "/LoopIfs/If_Cycle"),
        sp.port("R", "In_ArrCycle", "/LoopIfs/If_ArrCycle"),
        sp.port("R", "In_Gone", "/LoopIfs/If_Gone"),
        sp.port("R", "In_NoIf", "/Elsewhere/If_X"),
        sp.port("R", "In_Relative", "If_Fine"),
        sp.port("P", "Out_Fine", "/LoopIfs/If_Fine")])]))
    directory = sp.write_project(tmp_path / "p", {"Loops.arxml": component, "LoopTypes.arxml": types})
    sheet = load(directory, resolve="project")["Loops"]
    assert [row(sheet, n, "BDH") for n in range(2, 7)] == [
        ["In_Cycle", "LoopA_T", None], ["In_ArrCycle", "LoopArr_T", None], ["In_Gone", "Type_T", None],
        ["In_NoIf", None, None], ["In_Relative", None, None]]
    assert row(sheet, 2, "IK") == ["Out_Fine", "LoopFine_T"]


def test_broken_file_is_left_out_and_the_others_are_typed(tmp_path, workdir):
    directory = sp.write_basic_project(tmp_path / "p")
    with open(os.path.join(directory, "Broken.arxml"), "w") as f:
        f.write("<AUTOSAR><AR-PACKAGES>")
    with pytest.raises(Exception):
        Tessaly().load(directory, resolve="project")
    skipped = Tessaly().load(directory, resolve="project", on_error="skip")
    assert [entry for entry, _ in skipped] == ["Broken.arxml"]
    sheet = openpyxl.load_workbook("SignalList.xlsx")["Cabin"]
    assert row(sheet, 3, "BDH") == ["In_Tcu_Gear", "Gear_T", "P;R;N;D"]


# -- public samples --

def test_public_samples(shared_arxml_dir, workdir):
    book = load(shared_arxml_dir, resolve="project")
    receiver, sender = book["ReceiverComponent"], book["SenderComponent"]
    assert [row(receiver, n, "BD") for n in (2, 3, 4)] == [
        ["EngineSpeed", "uint16"], ["VehicleSpeed", "uint16"], ["FreeRunningTimer", None]]
    assert [row(sender, n, "IK") for n in (2, 3)] == [["EngineSpeed", "uint16"], ["VehicleSpeed", "uint16"]]
    # its interfaces are not in the directory
    decoder = book["CtApSwitchDecoder"]
    assert all(decoder["D%d" % n].value is None for n in range(2, decoder.max_row + 1))
    plain = load(shared_arxml_dir)
    assert plain["ReceiverComponent"]["D2"].value is None and plain["SenderComponent"]["K2"].value is None


# -- self-contained files: the same workbook in both modes --

def cells(path):
    """Every cell's value and look, sheet by sheet, with the column widths."""
    book = openpyxl.load_workbook(str(path))
    result = []
    for sheet in book.worksheets:
        widths = sorted((k, d.width) for k, d in sheet.column_dimensions.items())
        content = []
        for line in sheet.iter_rows():
            for cell in line:
                content.append((cell.coordinate, cell.value, cell.data_type, cell.font.b, cell.fill.fgColor.rgb,
                                cell.fill.fill_type, cell.border.left.style, cell.border.top.style,
                                cell.alignment.horizontal, cell.alignment.vertical, cell.alignment.wrap_text,
                                cell.number_format))
        result.append((sheet.title, widths, content))
    return result


def self_contained_directories(tmp_path):
    yield "examples", EXAMPLES
    corpus = str(tmp_path / "corpus")
    gen_corpus.generate(corpus, files=3, mb_per_file=0.05, seed=11, layout="file")
    yield "generated", corpus


@pytest.mark.parametrize("which", ["examples", "generated"])
def test_self_contained_files_give_the_same_workbook_in_both_modes(tmp_path, workdir, which):
    directory = dict(self_contained_directories(tmp_path))[which]
    Tessaly().load(directory, output=str(tmp_path / "file.xlsx"), resolve="file")
    Tessaly().load(directory, output=str(tmp_path / "project.xlsx"), resolve="project")
    plain, project = cells(tmp_path / "file.xlsx"), cells(tmp_path / "project.xlsx")
    assert [title for title, _, _ in project] == [title for title, _, _ in plain]
    assert project == plain
    assert sum(len(content) for _, _, content in plain) > 100


# -- genExcel's private keyword --

def test_gen_excel_takes_sheet_types_only(tmp_path, workdir):
    from xlsxwriter.workbook import Workbook
    directory = sp.write_basic_project(tmp_path / "p")
    record = ["Cabin", "In_Tcu_Gear"] + [""] * 12 + ["/Interfaces/If_Gear", ""]
    workbook = Workbook("SignalList.xlsx")
    with pytest.raises(TypeError):
        Tessaly().genExcel(workbook, "Bad", [], [record], {}, {}, {}, {}, _portTypes="Cabin")
    typing = _ProjectTypes(directory).sheet("Cabin.arxml", "Cabin")
    Tessaly().genExcel(workbook, "Good", [], [record], {}, {}, {}, {}, _portTypes=typing)
    # a component the index does not know: the record's own references type the port
    stray = _ProjectTypes(directory).sheet("Cabin.arxml", "NoSuchComponent")
    Tessaly().genExcel(workbook, "Stray", [], [record], {}, {}, {}, {}, _portTypes=stray)
    workbook.close()
    book = openpyxl.load_workbook("SignalList.xlsx")
    assert row(book["Good"], 2, "BDH") == ["In_Tcu_Gear", "Gear_T", "P;R;N;D"]
    assert row(book["Stray"], 2, "BDH") == ["In_Tcu_Gear", "Gear_T", "P;R;N;D"]


# -- the command line --

def run_command(*args):
    env = dict(os.environ)
    package_root = os.path.dirname(os.path.dirname(os.path.abspath(tessaly_module.__file__)))
    env["PYTHONPATH"] = os.pathsep.join(p for p in (package_root, env.get("PYTHONPATH")) if p)
    return subprocess.run([sys.executable, "-m", "Velvane"] + [str(a) for a in args], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True, timeout=120)


@pytest.mark.parametrize("args, typed", [([], True), (["--resolve", "project"], True),
                                         (["--resolve", "file"], False)])
def test_command_resolves_the_project_by_default(tmp_path, args, typed):
    directory = sp.write_basic_project(tmp_path / "p")
    target = tmp_path / "out.xlsx"
    done = run_command(directory, "-q", "-o", target, *args)
    assert done.returncode == 0, done.stderr
    sheet = openpyxl.load_workbook(str(target))["Cabin"]
    assert sheet["D3"].value == ("Gear_T" if typed else None)


def test_command_refuses_other_resolve_modes(tmp_path):
    done = run_command(tmp_path, "--resolve", "folder", "-o", tmp_path / "out.xlsx")
    assert done.returncode == 2 and "--resolve" in done.stderr
    help_text = run_command("--help").stdout
    assert "--resolve" in help_text and "project" in help_text and "file" in help_text
