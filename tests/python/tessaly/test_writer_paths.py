"""The two workbook writers: load's native one and xlsxwriter's Python Workbook give the same workbook,
and both say what they cut (TruncationWarning) in the same words."""
import os
import shutil
import warnings

import openpyxl
import pytest

import Velvane
import Velvane.Tessaly as tessaly_module
from Velvane import cli
from Velvane.Tessaly import Tessaly, TruncationWarning

from conftest import EXAMPLES, arxml_document

LIMIT = 32767
EMOJI = u"\U0001F600"   # two UTF-16 units


def component(name, ports, literals):
    """A component with required ports typed through same-named interfaces by the enumeration E."""
    return arxml_document(
        "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
        "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>%s</SHORT-NAME><PORTS>%s</PORTS>"
        "</APPLICATION-SW-COMPONENT-TYPE>%s<COMPU-METHOD><SHORT-NAME>COMPU_E_%s</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY>"
        "<COMPU-INTERNAL-TO-PHYS><COMPU-SCALES>%s</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>"
        "</ELEMENTS></AR-PACKAGE></AR-PACKAGES>" % (
            name,
            "".join("<R-PORT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME><REQUIRED-INTERFACE-TREF DEST=\"SENDER-"
                    "RECEIVER-INTERFACE\">/P/%s</REQUIRED-INTERFACE-TREF></R-PORT-PROTOTYPE>" % (p, p)
                    for p in ports),
            "".join("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME><DATA-ELEMENTS>"
                    "<VARIABLE-DATA-PROTOTYPE><SHORT-NAME>v</SHORT-NAME><TYPE-TREF DEST=\"IMPLEMENTATION-"
                    "DATA-TYPE\">/P/E_%s</TYPE-TREF></VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS>"
                    "</SENDER-RECEIVER-INTERFACE>" % (p, name) for p in ports if p != "In_Untyped"),
            name,
            "".join("<COMPU-SCALE><COMPU-CONST><VT>%s</VT></COMPU-CONST></COMPU-SCALE>" % vt for vt in literals)))


@pytest.fixture
def generated(tmp_path):
    """Sheet names that clash or need mending, empty cells, a text past a cell's limit."""
    source = tmp_path / "generated"
    source.mkdir()
    long_literal = "L" * (LIMIT - 3) + EMOJI * 3      # the cut falls inside the second emoji
    files = {
        "Door[1]": (["In_A_x", "In_Untyped", "NoUnderscore"], ["", "Off", ""]),
        "Door_1_": (["In_B_y"], ["=1+1", "_x0041_"]),
        "door_1_": (["In_C_z"], [u"\u95e8", EMOJI]),
        "'Quoted'": (["In_D"], ["a"]),
        "A_very_long_model_name_past_the_limit_1": (["In_E_e"], ["1"]),
        "A_very_long_model_name_past_the_limit_2": (["In_F_f"], [long_literal]),
    }
    for index, (name, (ports, literals)) in enumerate(sorted(files.items())):
        text = component("Swc%d" % index, ports, literals)
        (source / (name + ".arxml")).write_bytes(text.encode("utf-8"))
    return source


def corpora():
    shared = os.path.normpath(os.path.join(EXAMPLES, "..", "..", "shared", "arxml"))
    marks = [] if os.path.isdir(shared) else [pytest.mark.skip(reason="../shared/arxml is not present")]
    return [pytest.param(EXAMPLES, id="examples"), pytest.param(shared, id="shared", marks=marks),
            pytest.param(None, id="generated")]


def cell_looks(cell):
    border = cell.border
    return (cell.value, cell.data_type, cell.font.b, cell.fill.patternType, cell.fill.fgColor.rgb,
            border.left.style, border.right.style, border.top.style, border.bottom.style,
            cell.alignment.horizontal, cell.alignment.vertical, cell.alignment.wrap_text)


def contents(path):
    book = openpyxl.load_workbook(str(path))
    return [(sheet.title,
             sorted((key, d.min, d.max, d.width) for key, d in sheet.column_dimensions.items()),
             [[cell_looks(cell) for cell in row] for row in sheet.iter_rows()])
            for sheet in book.worksheets]


def load_with(writer, monkeypatch, source, output, **options):
    """load through the native writer or, with the module's Workbook replaced, through xlsxwriter's;
    returns the TruncationWarning messages."""
    if writer == "python":
        class Replaced(tessaly_module.Workbook):
            pass
        monkeypatch.setattr(tessaly_module, "Workbook", Replaced)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always", TruncationWarning)
        Tessaly().load(str(source), output=str(output), **options)
    monkeypatch.undo()
    return [str(w.message) for w in caught if w.category is TruncationWarning]


@pytest.mark.parametrize("corpus", corpora())
def test_both_writers_give_the_same_workbook(corpus, generated, tmp_path, monkeypatch):
    source = corpus or generated
    said = {w: load_with(w, monkeypatch, source, tmp_path / (w + ".xlsx"), resolve="project")
            for w in ("native", "python")}
    assert said["native"] == said["python"]
    native = contents(tmp_path / "native.xlsx")
    assert native == contents(tmp_path / "python.xlsx")
    assert sorted(os.listdir(str(tmp_path))) == sorted(["generated", "native.xlsx", "python.xlsx"])
    if corpus is None:
        names = [title for title, _, _ in native]   # mended in listing order: the suffixes vary
        assert len(set(n.lower() for n in names)) == 6 and "_Quoted_" in names
        (message,) = said["native"]
        reference, rest = message.split("!", 1)
        long_name = reference.strip("'")   # quoted only where it holds a "~"
        assert long_name in names and reference == ("'%s'" % long_name if "~" in long_name else long_name)
        assert rest == "H2: text of %d characters cut to its first %d, the most a cell holds" % (LIMIT + 3, LIMIT)
        cut = openpyxl.load_workbook(str(tmp_path / "native.xlsx"))[long_name]["H2"]
        assert cut.value == "L" * (LIMIT - 3) + EMOJI   # 32,766 units: the next emoji would not fit


@pytest.mark.parametrize("writer", ["native", "python"])
def test_rows_past_the_last_are_counted_in_one_warning(writer, generated, tmp_path, monkeypatch):
    source = tmp_path / "rows"
    source.mkdir()
    (source / "Many.arxml").write_text(component("Swc", ["In_%d" % i for i in range(6)], ["A"]))
    monkeypatch.setattr(tessaly_module, "_sheet_rows", 4)
    said = load_with(writer, monkeypatch, source, tmp_path / "out.xlsx")
    assert said == ["Many: 3 signals left out (3 input, 0 output): a sheet holds 4 rows, the header row included"]
    sheet = openpyxl.load_workbook(str(tmp_path / "out.xlsx"))["Many"]
    assert sheet.max_row == 4 and [c.value for c in sheet["B"]][1:] == ["In_0", "In_1", "In_2"]


@pytest.mark.parametrize("writer", ["native", "python"])
def test_velvane_prints_each_cut_and_exits_0(writer, tmp_path, monkeypatch, capsys):
    source = tmp_path / "models"
    source.mkdir()
    (source / "Long.arxml").write_text(component("Swc", ["In_A_" + "n" * LIMIT] + ["In_%d" % i for i in range(3)],
                                                 ["A"]))
    monkeypatch.setattr(tessaly_module, "_sheet_rows", 3)
    if writer == "python":
        monkeypatch.setattr(tessaly_module, "Workbook", type("Replaced", (tessaly_module.Workbook,), {}))
    assert cli.main([str(source), "-q", "-o", str(tmp_path / "out.xlsx")]) == 0
    assert capsys.readouterr().err.splitlines() == [
        "velvane: warning: Long!B2: text of %d characters cut to its first %d, the most a cell holds"
        % (LIMIT + 5, LIMIT),
        "velvane: warning: Long: 2 signals left out (2 input, 0 output): a sheet holds 3 rows, "
        "the header row included"]


def test_warning_class_is_exported_from_the_package():
    assert Velvane.TruncationWarning is TruncationWarning and issubclass(TruncationWarning, UserWarning)
    with pytest.raises(AttributeError):
        Velvane.NoSuchName


def test_native_workbook_is_written_through_a_temporary_file(tmp_path, monkeypatch):
    source = tmp_path / "models"
    shutil.copytree(EXAMPLES, str(source))
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    (work / "SignalList.xlsx").write_bytes(b"earlier")
    seen = []
    Tessaly().load(str(source), progress=lambda *args: seen.append(sorted(os.listdir("."))))
    assert seen == [["SignalList.xlsx"]] * 3 and os.listdir(".") == ["SignalList.xlsx"]
    assert len(openpyxl.load_workbook("SignalList.xlsx").sheetnames) == 3


def write_both(tmp_path, member):
    """genExcel of one structure-typed port whose member text is `member`, into each workbook kind;
    the H2 cells (value, type) read back, or the exception each raised."""
    import xlsxwriter
    seen = []
    for make in (tessaly_module._NativeWorkbook, xlsxwriter.Workbook):
        path = str(tmp_path / (make.__name__ + ".xlsx"))
        workbook = make(path)
        try:
            Tessaly().genExcel(workbook, "M", [], [["Swc", "In_S"] + [""] * 14], {"In_S": "S"}, {},
                               {"S": ["", "S", "", "STRUCTURE", "", member]}, {})
        except Exception as error:  # noqa: BLE001 - compared below
            seen.append((type(error), str(error)))
            continue
        finally:
            workbook.close()
        cell = openpyxl.load_workbook(path)["M"]["H2"]
        seen.append((cell.value, cell.data_type))
    return seen


@pytest.mark.parametrize("member", [7, 2.5, True, u"\x00x", b"1.5", float("nan"), object()],
                         ids=["int", "float", "bool", "nul", "bytes-number", "nan", "object"])
def test_values_that_are_not_text_are_written_alike(tmp_path, member):
    native, python = write_both(tmp_path, member)
    if member == u"\x00x":
        assert native == (u"\ufffdx", "s")   # NUL cannot stand in a workbook; U+FFFD shows where it was
    assert native == python


def test_native_workbook_refuses_sheets_after_close_and_names_the_file_it_cannot_write(tmp_path):
    target = tmp_path / "gone" / "out.xlsx"
    workbook = tessaly_module._NativeWorkbook(str(target))
    Tessaly().genExcel(workbook, "M", [], [], {}, {}, {}, {})
    with pytest.raises(OSError, match="gone"):
        workbook.close()
    with pytest.raises(ValueError):
        Tessaly().genExcel(workbook, "N", [], [], {}, {}, {}, {})
    assert not target.parent.exists()


def test_a_subclass_overriding_gen_excel_gets_an_xlsxwriter_workbook(tmp_path):
    got = []

    class Loader(Tessaly):
        def genExcel(self, workbook, *args):
            got.append(type(workbook))
            return Tessaly.genExcel(self, workbook, *args)
    Loader().load(EXAMPLES, output=str(tmp_path / "out.xlsx"))
    assert got == [tessaly_module.Workbook] * 3


def test_sheets_still_queued_at_close_are_all_written_in_order(tmp_path):
    path = str(tmp_path / "queued.xlsx")
    workbook = tessaly_module._NativeWorkbook(path)
    names = [u"In_%d_%s" % (n, u"\u00e4" * (n % 7) + "x" * (n * 37 % 300)) for n in range(40)]
    for n, name in enumerate(names):   # committed back to back: the writer falls behind
        Tessaly().genExcel(workbook, "S%d" % n, [], [["Swc", name, ""] + [""] * 13], {}, {}, {}, {})
    workbook.close()
    book = openpyxl.load_workbook(path)
    assert book.sheetnames == ["S%d" % n for n in range(40)]
    assert [book["S%d" % n]["B2"].value for n in range(40)] == names
