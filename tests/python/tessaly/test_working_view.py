"""load(working_view=True): every sheet opens ready to work with (header row frozen, an autofilter
over its cells, rows as tall as their wrapped texts) with the same cells; and load(sort=True)."""
import os

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Tessaly import Tessaly
from conftest import EXAMPLES


def cells(sheet):
    return [[cell.value for cell in row] for row in sheet.iter_rows()]


def view(sheet):
    heights = dict((row, dimension.height) for row, dimension in sheet.row_dimensions.items() if dimension.height)
    return sheet.freeze_panes, sheet.auto_filter.ref, heights


@pytest.fixture(params=["native", "xlsxwriter"])
def writer(request, monkeypatch):
    if request.param == "xlsxwriter":
        monkeypatch.setattr(tessaly_module, "Workbook", type("Workbook", (tessaly_module.Workbook,), {}))
    return request.param


def test_sheets_open_ready_to_work_with_the_same_cells(tmp_path, writer):
    options = dict(resolve="project", details=True, sort=True)
    plain, ready = str(tmp_path / "plain.xlsx"), str(tmp_path / "ready.xlsx")
    Tessaly().load(EXAMPLES, output=plain, **options)
    Tessaly().load(EXAMPLES, output=ready, working_view=True, **options)
    plain_book, ready_book = openpyxl.load_workbook(plain), openpyxl.load_workbook(ready)
    assert [cells(sheet) for sheet in ready_book.worksheets] == [cells(sheet) for sheet in plain_book.worksheets]
    assert [view(sheet) for sheet in plain_book.worksheets] == [(None, None, {})] * 3
    # Lines of 24 characters in the columns 25 wide; a CJK character takes two. DoorLock row 3:
    # F3 "unit: km/h; range: 0..300; factor: 0.01; offset: 0; init: 0" (59 characters) takes three;
    # row 2 the 38 characters of its enumeration, H2 "NoRequest;Lock;Unlock;UnlockDriverOnly".
    door = ready_book["DoorLock"]
    assert view(door) == ("A2", "A1:O5", {2: 30, 3: 45, 4: 45, 5: 45})
    for sheet in ready_book.worksheets:
        assert sheet.freeze_panes == "A2" and sheet.auto_filter.ref == "A1:O%d" % sheet.max_row


def test_the_connections_sheet_too(tmp_path, writer):
    output = str(tmp_path / "out.xlsx")
    Tessaly().load(os.path.join(EXAMPLES, "composition"), output=output, connections=True, working_view=True)
    connections = openpyxl.load_workbook(output)["Connections"]
    # Two lines for "WheelSpeed (WheelSpeedSensor)" and "interface mismatch: If_LockCommand".
    assert view(connections) == ("A2", "A1:H7", {2: 30, 3: 30, 4: 30})


def test_line_feeds_start_lines_and_rows_stop_at_the_tallest_a_row_may_be(tmp_path, monkeypatch):
    """genExcel on an xlsxwriter workbook of the caller's: texts with line feeds, CJK and a long text."""
    import xlsxwriter
    path = str(tmp_path / "own.xlsx")
    book = xlsxwriter.Workbook(path)
    rport = [["Swc", name] + [""] * 14 for name in (u"In_A_x\nsecond\nthird", u"In_B_" + u"\u95e8" * 12,
                                                    "In_C_" + "x" * 5000)]
    Tessaly().genExcel(book, "Model", [], rport, {}, {}, {}, {}, _workingView=True)
    book.close()
    sheet = openpyxl.load_workbook(path)["Model"]
    frozen, filtered, heights = view(sheet)
    assert (frozen, filtered, heights[2], heights[3]) == ("A2", "A1:O4", 45, 30)
    assert heights[4] == pytest.approx(409, abs=0.5)  # xlsxwriter stores it in whole pixels


def test_sort_reads_the_entries_in_the_order_of_their_names(tmp_path, monkeypatch):
    source = tmp_path / "models"
    source.mkdir()
    for name in ("b.arxml", "C.arxml", "d.arxml", "a.arxml"):
        with open(os.path.join(EXAMPLES, "WiperControl.arxml"), "rb") as f:
            (source / name).write_bytes(f.read())
    listing = os.listdir
    monkeypatch.setattr(tessaly_module.os, "listdir",
                        lambda path: sorted(listing(path), reverse=True) if path == str(source) else listing(path))
    for sort, expected in ((False, ["d", "b", "a", "C"]), (True, ["C", "a", "b", "d"])):
        output = str(tmp_path / ("%s.xlsx" % sort))
        Tessaly().load(str(source), output=output, sort=sort)
        assert openpyxl.load_workbook(output).sheetnames == expected
    with pytest.raises(TypeError, match="sort must be True or False"):
        Tessaly().load(str(source), sort=1)
