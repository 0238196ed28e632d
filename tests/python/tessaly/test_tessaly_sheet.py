"""Tessaly.genExcel: the signal sheet of one model, written with xlsxwriter and read back with openpyxl."""
import openpyxl
import pytest
import xlsxwriter

from Velvane.Tessaly import Tessaly

HEADERS = [
    "No.", "INPUT 输入信号", "输入模块", "ENUM/STRUCT", "输入说明", "输入详细说明", "InputRemark",
    "对应信号应用场景", "OUTPUT 输出信号", "输出模块", "ENUM/STRUCT", "输出说明", "输出详细说明",
    "OutputRemark", "对应信号应用场景",
]
GREEN = "FF64A600"
YELLOW = "FFFFFF00"
INPUT_COLUMNS = "BCDH"
OUTPUT_COLUMNS = "IJKO"
NEVER_WRITTEN = "EFGLMN"


def rport(name, interface_ref=""):
    """A required-port record: 16 cells, the port name at 1, the interface reference at 14."""
    record = [""] * 16
    record[0], record[1], record[14] = "Swc", name, interface_ref
    return record


def pport(name, interface_ref=""):
    """A provided-port record: 12 cells, the port name at 1, the interface reference at 10."""
    record = [""] * 12
    record[0], record[1], record[10] = "Swc", name, interface_ref
    return record


def sheet_args(modelName="M", pport=(), rport=(), typeDcit=None, structDict=None, enumValList=None):
    return dict(modelName=modelName, pport=list(pport), rport=list(rport), typeDcit=typeDcit or {},
                enumDict={}, structDict=structDict or {}, enumValList=enumValList or {})


@pytest.fixture
def write_book(tmp_path):
    """write_book(*calls) -> openpyxl workbook; each call is a dict of genExcel arguments."""
    path = str(tmp_path / "out.xlsx")

    def write(*calls):
        workbook = xlsxwriter.Workbook(path)
        for call in calls:
            Tessaly().genExcel(workbook, **call)
        workbook.close()
        return openpyxl.load_workbook(path)
    return write


@pytest.fixture
def write_sheet(write_book):
    """write_sheet(**genExcel arguments but workbook) -> the one openpyxl worksheet."""
    def write(**kwargs):
        book = write_book(sheet_args(**kwargs))
        return book.worksheets[0]
    return write


def is_data_cell(cell):
    """Written with the data format: centred, wrapped, thin border, no fill, not bold."""
    return (cell.border.left.style == "thin" and cell.border.bottom.style == "thin"
            and cell.alignment.horizontal == "center" and cell.alignment.vertical == "center"
            and cell.alignment.wrap_text and not cell.font.b and cell.fill.fill_type is None)


def is_unwritten(cell):
    return cell.value is None and cell.border.left.style is None and not cell.has_style


def text_cell(cell, text):
    return cell.value == text and cell.data_type == "s" and cell.hyperlink is None and is_data_cell(cell)


def blank_data_cell(cell):
    return cell.value is None and is_data_cell(cell)


def row_values(sheet, row, columns):
    return [sheet["%s%d" % (c, row)].value for c in columns]


class TestLayout:
    def test_header_texts_and_format(self, write_sheet):
        sheet = write_sheet()
        assert [c.value for c in sheet[1]] == HEADERS
        for cell in sheet[1]:
            assert cell.data_type == "s"
            assert cell.font.b
            assert cell.fill.fill_type == "solid" and cell.fill.fgColor.rgb == GREEN
            assert cell.border.left.style == cell.border.top.style == "thin"
            assert cell.alignment.horizontal == "center" and cell.alignment.vertical == "center"
            assert cell.alignment.wrap_text
        assert sheet.max_row == 1 and sheet.max_column == 15

    def test_columns_b_to_p_are_25_wide(self, write_sheet):
        sheet = write_sheet()
        dimension = sheet.column_dimensions["B"]
        assert (dimension.min, dimension.max) == (2, 16)
        assert dimension.width == pytest.approx(25.71, abs=0.01)
        assert "A" not in sheet.column_dimensions

    @pytest.mark.parametrize("inputs, outputs", [(0, 0), (3, 5), (5, 3), (1, 0), (0, 2)])
    def test_numbering_is_text_up_to_the_longer_list(self, write_sheet, inputs, outputs):
        sheet = write_sheet(rport=[rport("In_%d" % i) for i in range(inputs)],
                            pport=[pport("Out_%d" % i) for i in range(outputs)],
                            typeDcit=dict([("In_%d" % i, "T") for i in range(inputs)]
                                          + [("Out_%d" % i, "T") for i in range(outputs)]))
        rows = max(inputs, outputs)
        assert sheet.max_row == rows + 1
        for row in range(2, rows + 2):
            cell = sheet["A%d" % row]
            assert cell.value == str(row - 1) and cell.data_type == "s"
            assert cell.fill.fgColor.rgb == YELLOW and not cell.font.b
            assert cell.border.left.style == "thin" and cell.alignment.wrap_text
        for row in range(2, rows + 2):
            written_in = row - 1 <= inputs
            written_out = row - 1 <= outputs
            assert all(not is_unwritten(sheet["%s%d" % (c, row)]) for c in "BD") == written_in
            assert all(is_unwritten(sheet["%s%d" % (c, row)]) for c in "BCDH") != written_in
            assert all(is_unwritten(sheet["%s%d" % (c, row)]) for c in "IJKO") != written_out

    def test_every_cell_of_a_mixed_sheet(self, write_sheet):
        types = {"In_Brake_Speed": "rt_Array_UInt16_4", "In_Mode": "Mode", "Out_Pos": "Pos",
                 "Out_Lamp_State": "rt_Array_Mode_2"}
        sheet = write_sheet(
            modelName="Door_Model",
            rport=[rport("In_Brake_Speed"), rport("In_Mode"), rport("Plain")],
            pport=[pport("Out_Pos"), pport("Out_Lamp_State")],
            typeDcit=dict(types, Plain="UInt8"),
            structDict={"Pos": ["", "Pos", "", "STRUCTURE", "", "sint16;sint16;&x;y;", "", ""]},
            enumValList={"COMPU_Mode": [[0, "OFF"], [1, "ON"]]})
        expected = [
            ["1", "In_Brake_Speed[4]", "Brake", "UInt16", None, "Out_Pos", "Door", "Pos", "sint16;sint16;&x;y;"],
            ["2", "In_Mode", "Mode", "Mode", "OFF;ON", "Out_Lamp_State[2]", "Door", "Mode", "OFF;ON"],
            ["3", "Plain", None, "UInt8", None, None, None, None, None],
        ]
        for row, values in enumerate(expected, start=2):
            assert row_values(sheet, row, "ABCDHIJKO") == values
            for column, value in zip("BCDHIJKO", values[1:]):
                cell = sheet["%s%d" % (column, row)]
                assert is_unwritten(cell) if value is None else text_cell(cell, value)
            for column in NEVER_WRITTEN:
                assert is_unwritten(sheet["%s%d" % (column, row)])
        assert sheet.max_row == 4


class TestTypes:
    @pytest.mark.parametrize("type_name, shown, suffix", [
        ("rt_Array_UInt16_4", "UInt16", "[4]"),
        ("RT_ARRAY_X_2", "RT_ARRAY_X", "[2]"),
        ("Smart_Array_Mode", "SmaMode", "[Mode]"),
        ("rt_Array_Foo", "Foo", "[Foo]"),
        ("rt_Array_rt_Array_B_3", "B", "[3]"),
        ("xRt_arrayY", "xRt", "[arrayY]"),
        ("UInt8", "UInt8", ""),
        ("Array_8", "Array_8", ""),
    ])
    def test_array_types_show_element_type_and_dimension(self, write_sheet, type_name, shown, suffix):
        sheet = write_sheet(rport=[rport("In_Sig")], pport=[pport("Out_Sig")],
                            typeDcit={"In_Sig": type_name, "Out_Sig": type_name},
                            enumValList={"COMPU_" + shown: [[0, "E"]]})
        assert row_values(sheet, 2, "BDHIKO") == ["In_Sig" + suffix, shown, "E", "Out_Sig" + suffix, shown, "E"]

    @pytest.mark.parametrize("literals, text", [
        (["OFF", "ON"], "OFF;ON"),
        (["", "A", "", "B"], "A;;B"),
        (["A", ""], "A;"),
        (["only"], "only"),
        ([], None),
        ([""], None),
        # A VT element without text reaches the table as None: it counts as the empty text.
        ([None], None),
        ([None, "A"], "A"),
        (["A", None, "B"], "A;;B"),
        (["A", None], "A;"),
    ])
    def test_enumeration_texts(self, write_sheet, literals, text):
        pairs = [[i, literal] for i, literal in enumerate(literals)]
        sheet = write_sheet(rport=[rport("In_E")], pport=[pport("Out_E")],
                            typeDcit={"In_E": "E", "Out_E": "E"}, enumValList={"COMPU_E": pairs})
        for cell in (sheet["H2"], sheet["O2"]):
            assert blank_data_cell(cell) if text is None else text_cell(cell, text)

    def test_enumeration_pairs_may_be_tuples(self, write_sheet):
        sheet = write_sheet(rport=[rport("In_E")], typeDcit={"In_E": "E"},
                            enumValList={"COMPU_E": ((0, "A"), (1, "B"))})
        assert sheet["H2"].value == "A;B"

    def test_structure_text_replaces_enumeration_text(self, write_sheet):
        sheet = write_sheet(rport=[rport("In_S")], pport=[pport("Out_S")],
                            typeDcit={"In_S": "S", "Out_S": "S"},
                            structDict={"S": ["", "S", "", "STRUCTURE", "", ";&;", "", ""]},
                            enumValList={"COMPU_S": [[0, "A"]]})
        assert text_cell(sheet["H2"], ";&;") and text_cell(sheet["O2"], ";&;")

    def test_type_without_table_entries_leaves_usage_column_unwritten(self, write_sheet):
        sheet = write_sheet(rport=[rport("In_T")], typeDcit={"In_T": "T"},
                            structDict={"t": ["", "t", "", "STRUCTURE", "", "x", "", ""]},
                            enumValList={"COMPU_t": [[0, "A"]], "T": [[0, "B"]]})
        assert is_unwritten(sheet["H2"]) and sheet["D2"].value == "T"

    def test_lookups_use_the_reduced_array_type(self, write_sheet):
        sheet = write_sheet(rport=[rport("In_Rec")], typeDcit={"In_Rec": "rt_Array_Rec_3"},
                            structDict={"Rec": ["", "Rec", "", "STRUCTURE", "", "u8;&a;", "", ""]})
        assert row_values(sheet, 2, "BDH") == ["In_Rec[3]", "Rec", "u8;&a;"]


class TestPortTypeLookup:
    """A port is typed through the interface of the same name, else through its interface reference."""

    def test_port_name_is_looked_up_first(self, write_sheet):
        sheet = write_sheet(rport=[rport("Speed", "/If/Speed_I")], pport=[pport("Pos", "/If/Pos_I")],
                            typeDcit={"Speed": "A", "Speed_I": "B", "Pos": "C", "Pos_I": "D"})
        assert row_values(sheet, 2, "DK") == ["A", "C"]

    def test_unknown_port_name_falls_back_to_interface_reference(self, write_sheet):
        sheet = write_sheet(rport=[rport("Speed", "/If/Speed_I"), rport("In_Next")],
                            pport=[pport("Pos", "/PortInterfaces/Pos_I")],
                            typeDcit={"Speed_I": "rt_Array_UInt8_2", "Pos_I": "Mode", "In_Next": "N"},
                            enumValList={"COMPU_Mode": [[0, "A"]]})
        assert row_values(sheet, 2, "BDIKO") == ["Speed[2]", "UInt8", "Pos", "Mode", "A"]
        assert row_values(sheet, 3, "BD") == ["In_Next", "N"]

    @pytest.mark.parametrize("reference", ["/If/Other_I", "", "/If/", None])
    def test_unresolved_port_gets_an_empty_type_and_its_row(self, write_sheet, reference):
        record = rport("In_Lost")
        record[14] = reference
        sheet = write_sheet(rport=[record, rport("In_Found")], pport=[pport("Out_Lost", reference)],
                            typeDcit={"In_Found": "T", "": "Wrong"})
        assert row_values(sheet, 2, "BCIJK") == ["In_Lost", "Lost", "Out_Lost", "M", None]
        assert blank_data_cell(sheet["D2"]) and blank_data_cell(sheet["K2"])
        assert row_values(sheet, 3, "BD") == ["In_Found", "T"]

    def test_short_record_without_interface_cell(self, write_sheet):
        sheet = write_sheet(rport=[["Swc", "In_Short"]], pport=[["Swc", "Out_Short"]])
        assert row_values(sheet, 2, "BIJ") == ["In_Short", "Out_Short", "M"]
        assert blank_data_cell(sheet["D2"]) and blank_data_cell(sheet["K2"])


class TestTextStaysText:
    """Texts from the files are never turned into formulas, links or numbers."""

    @pytest.mark.parametrize("text", ["=1+1", "http://x", "mailto:a@b.c", "{=SUM(A1)}", "123", "1e3",
                                      "external:Sheet1!A1", " ", "TRUE"])
    def test_file_texts_are_stored_as_text(self, write_sheet, text):
        sheet = write_sheet(modelName=text, rport=[rport(text)], pport=[pport(text)],
                            typeDcit={text: text}, enumValList={"COMPU_" + text: [[0, text]]})
        for column in "BDHIJKO":
            assert text_cell(sheet["%s2" % column], text), column

    def test_member_text_is_stored_as_text(self, write_sheet):
        sheet = write_sheet(rport=[rport("In_S")], typeDcit={"In_S": "S"},
                            structDict={"S": ["", "S", "", "STRUCTURE", "", "=A1", "", ""]})
        assert text_cell(sheet["H2"], "=A1")


class TestColumns:
    @pytest.mark.parametrize("port_name, module", [
        ("In_Brake_Speed", "Brake"),
        ("In_Brake", "Brake"),
        ("A_B_C_D", "B"),
        ("In__Speed", ""),
        ("In_", ""),
        ("_Lead", "Lead"),
        ("Plain", None),
    ])
    def test_input_module_is_the_piece_after_the_first_underscore(self, write_sheet, port_name, module):
        sheet = write_sheet(rport=[rport(port_name)], typeDcit={port_name: "T"})
        cell = sheet["C2"]
        if module is None:
            assert is_unwritten(cell)
        elif module == "":
            assert blank_data_cell(cell)
        else:
            assert text_cell(cell, module)
        assert row_values(sheet, 2, "BD") == [port_name, "T"]

    @pytest.mark.parametrize("model, shown", [
        ("Door_Model", "Door"), ("A_ModelB_Model", "AB"), ("Door_Model_Model", "Door"),
        ("Door_model", "Door_model"), ("Body", "Body"),
    ])
    def test_model_name_loses_every_Model_suffix(self, write_book, model, shown):
        book = write_book(sheet_args(modelName=model, pport=[pport("Out_X")], typeDcit={"Out_X": "T"}))
        assert book.sheetnames == [shown]
        assert text_cell(book[shown]["J2"], shown)

    def test_model_name_that_vanishes(self, write_book):
        book = write_book(sheet_args(modelName="_Model", pport=[pport("Out_X")], typeDcit={"Out_X": "T"}))
        assert book.sheetnames == ["Sheet"]
        assert blank_data_cell(book["Sheet"]["J2"])


class TestSheetNames:
    @pytest.mark.parametrize("models, names", [
        (["Door", "Body"], ["Door", "Body"]),
        (["a" * 31], ["a" * 31]),
        (["a" * 32], ["a" * 31]),
        (["A[b]:c*d?e/f\\g"], ["A_b__c_d_e_f_g"]),
        (["'quoted'"], ["_quoted_"]),
        (["'"], ["_"]),
        (["a'b", "Sheet1", "My Model (v2) - äö;,"], ["a'b", "Sheet1", "My Model (v2) - äö;,"]),
        (["a" * 30 + "'b"], ["a" * 30 + "_"]),
        ([""], ["Sheet"]),
        (["Sheet", ""], ["Sheet", "Sheet~2"]),
        (["Door", "door"], ["Door", "door~2"]),
        (["Door", "DOOR", "door"], ["Door", "DOOR~2", "door~3"]),
        (["Door", "Door~2", "door"], ["Door", "Door~2", "door~3"]),
        (["x" * 40, "x" * 35], ["x" * 31, "x" * 29 + "~2"]),
        (["Door_Model", "Door"], ["Door", "Door~2"]),
        (["ÄÖ", "äö"], ["ÄÖ", "äö~2"]),
        (["\U0001F600" * 16], ["\U0001F600" * 15]),
    ])
    def test_refused_names_are_mended(self, write_book, models, names):
        book = write_book(*[sheet_args(modelName=m, pport=[pport("Out_X")], typeDcit={"Out_X": "T"})
                            for m in models])
        assert book.sheetnames == names
        for model, name in zip(models, names):
            full = model.replace("_Model", "")
            assert book[name]["J2"].value == (full or None)

    def test_clash_with_a_sheet_the_host_added(self, tmp_path):
        workbook = xlsxwriter.Workbook(str(tmp_path / "out.xlsx"))
        workbook.add_worksheet("REPORT")
        Tessaly().genExcel(workbook, **sheet_args(modelName="report"))
        workbook.close()
        assert openpyxl.load_workbook(str(tmp_path / "out.xlsx")).sheetnames == ["REPORT", "report~2"]


class TestFailures:
    def _fail(self, tmp_path, error, **kwargs):
        """Runs genExcel expecting `error`; returns the sheet as it stood when the call ended."""
        path = str(tmp_path / "out.xlsx")
        workbook = xlsxwriter.Workbook(path)
        with pytest.raises(error):
            Tessaly().genExcel(workbook, **sheet_args(**kwargs))
        workbook.close()
        return openpyxl.load_workbook(path).worksheets[0]

    def test_structure_record_without_member_text(self, tmp_path):
        sheet = self._fail(tmp_path, IndexError, rport=[rport("In_A"), rport("In_S")],
                           pport=[pport("Out_A")], typeDcit={"In_A": "T", "In_S": "S", "Out_A": "T"},
                           structDict={"S": ["", "S", "", "STRUCTURE"]})
        assert [c.value for c in sheet[1]] == HEADERS
        assert row_values(sheet, 2, "ABD") == ["1", "In_A", "T"]
        assert row_values(sheet, 3, "ABD") == ["2", None, None]
        assert sheet["I2"].value is None

    @pytest.mark.parametrize("pairs", [[[0, "A"], [1, 5]], [[0, 5], [1, "A"]], [[0, b"A"], [1, None]]])
    def test_literal_that_is_not_text_cannot_be_joined(self, tmp_path, pairs):
        sheet = self._fail(tmp_path, TypeError, rport=[rport("In_E")], typeDcit={"In_E": "E"},
                           enumValList={"COMPU_E": pairs})
        assert sheet["A2"].value == "1" and sheet["B2"].value is None

    def test_type_that_is_not_text(self, tmp_path):
        self._fail(tmp_path, TypeError, rport=[rport("In_T")], typeDcit={"In_T": 7})

    def test_model_name_that_is_not_text(self, tmp_path):
        path = str(tmp_path / "out.xlsx")
        workbook = xlsxwriter.Workbook(path)
        with pytest.raises(TypeError, match="modelName"):
            Tessaly().genExcel(workbook, **sheet_args(modelName=None))
        assert workbook.worksheets() == []
        workbook.close()

    def test_input_port_name_that_is_not_text(self, tmp_path):
        sheet = self._fail(tmp_path, TypeError, rport=[rport(None)], typeDcit={None: "T"})
        assert sheet["B2"].value is None

    def test_output_signal_cell_is_guarded(self, write_sheet):
        sheet = write_sheet(pport=[pport(None, "/If/X_I"), pport("Out_B")],
                            typeDcit={"X_I": "rt_Array_T_2", "Out_B": "T"})
        assert is_unwritten(sheet["I2"])
        assert row_values(sheet, 2, "JK") == ["M", "T"]
        assert row_values(sheet, 3, "IJK") == ["Out_B", "M", "T"]


def test_arguments_by_keyword_and_enum_dict_unread(tmp_path):
    path = str(tmp_path / "out.xlsx")
    workbook = xlsxwriter.Workbook(path)
    Tessaly().genExcel(workbook=workbook, modelName="K", pport=[], rport=[rport("In_A")],
                       typeDcit={"In_A": "T"}, enumDict=object(), structDict={}, enumValList={})
    Tessaly().genExcel(workbook, "P", [], [], {}, None, {}, {})
    workbook.close()
    assert openpyxl.load_workbook(path).sheetnames == ["K", "P"]
