"""Tessaly.load end to end: ARXML files through the analyser into SignalList.xlsx, read back with openpyxl.

The analyser's type tables live as long as the process, so every test names its types and compu
methods after itself to stay independent of the others."""
import os

import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Tessaly import Tessaly

HEADER_ROW = [
    "No.", "INPUT 输入信号", "输入模块", "ENUM/STRUCT", "输入说明", "输入详细说明", "InputRemark",
    "对应信号应用场景", "OUTPUT 输出信号", "输出模块", "ENUM/STRUCT", "输出说明", "输出详细说明",
    "OutputRemark", "对应信号应用场景",
]


def conditional(ref_tag, ref):
    return ("<SW-DATA-DEF-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>"
            "<{0} DEST=\"IMPLEMENTATION-DATA-TYPE\">{1}</{0}>"
            "</SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></SW-DATA-DEF-PROPS>"
            .format(ref_tag, ref))


def port(kind, name, interface_path):
    tag, ref = {"R": ("R-PORT-PROTOTYPE", "REQUIRED-INTERFACE-TREF"),
                "P": ("P-PORT-PROTOTYPE", "PROVIDED-INTERFACE-TREF")}[kind]
    return ("<{0}><SHORT-NAME>{1}</SHORT-NAME><{2} DEST=\"SENDER-RECEIVER-INTERFACE\">{3}</{2}></{0}>"
            .format(tag, name, ref, interface_path))


def interface(name, type_ref):
    return ("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>{0}</SHORT-NAME><DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE>"
            "<SHORT-NAME>value</SHORT-NAME><TYPE-TREF DEST=\"IMPLEMENTATION-DATA-TYPE\">{1}</TYPE-TREF>"
            "</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>".format(name, type_ref))


def compu_method(name, literals):
    scales = "".join(
        "<COMPU-SCALE><LOWER-LIMIT>{0}</LOWER-LIMIT><UPPER-LIMIT>{0}</UPPER-LIMIT><COMPU-CONST>{1}"
        "</COMPU-CONST></COMPU-SCALE>".format(i, "<VT/>" if vt is None else "<VT>%s</VT>" % vt)
        for i, vt in enumerate(literals))
    return ("<COMPU-METHOD><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY><COMPU-INTERNAL-TO-PHYS>"
            "<COMPU-SCALES>{1}</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>".format(name, scales))


def structure(name, members):
    elements = "".join(
        "<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>TYPE_REFERENCE</CATEGORY>{1}"
        "</IMPLEMENTATION-DATA-TYPE-ELEMENT>".format(member, conditional("IMPLEMENTATION-DATA-TYPE-REF", ref))
        for member, ref in members)
    return ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>STRUCTURE</CATEGORY>"
            "<SUB-ELEMENTS>{1}</SUB-ELEMENTS></IMPLEMENTATION-DATA-TYPE>".format(name, elements))


def model(component, ports=(), elements=(), data_types=()):
    """One top-level package holding the component, interfaces and compu methods (`elements`), with a
    sub-package for the implementation data types."""
    return """
        <AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Pkg</SHORT-NAME>
          <ELEMENTS>
            <APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>{0}</SHORT-NAME><PORTS>{1}</PORTS>
              <INTERNAL-BEHAVIORS><SWC-INTERNAL-BEHAVIOR><SHORT-NAME>Ib</SHORT-NAME></SWC-INTERNAL-BEHAVIOR>
              </INTERNAL-BEHAVIORS>
            </APPLICATION-SW-COMPONENT-TYPE>
            {2}
          </ELEMENTS>
          <AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Types</SHORT-NAME><ELEMENTS>{3}</ELEMENTS></AR-PACKAGE></AR-PACKAGES>
        </AR-PACKAGE></AR-PACKAGES>
    """.format(component, "".join(ports), "".join(elements), "".join(data_types))


@pytest.fixture
def workdir(tmp_path, monkeypatch):
    """An empty working directory for the output; returns a function giving its workbook."""
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    return lambda: openpyxl.load_workbook(str(work / "SignalList.xlsx"))


def values(sheet, row, columns):
    return [sheet["%s%d" % (c, row)].value for c in columns]


def arxml_entries(directory):
    return [n for n in os.listdir(str(directory)) if n.endswith(".arxml")]


def test_one_model(tmp_path, write_arxml, workdir):
    source = tmp_path / "models"
    write_arxml(model(
        "DoorSwc",
        ports=[port("R", "In_Brake_Speed", "/Pkg/In_Brake_Speed"),
               port("R", "In_Gear_Pos", "/Pkg/If_Gear_e2e"),
               port("P", "Out_Door_State", "/Pkg/Out_Door_State"),
               port("P", "Out_Lost", "/Elsewhere/If_Lost")],
        elements=[interface("In_Brake_Speed", "/Pkg/Types/rt_Array_Speed_e2e_4"),
                  interface("If_Gear_e2e", "/Pkg/Types/Gear_e2e"),
                  interface("Out_Door_State", "/Pkg/Types/DoorRec_e2e"),
                  compu_method("COMPU_Gear_e2e", ["P", "=1+1", "http://x", None, "D"])],
        data_types=[structure("DoorRec_e2e", [("open", "/Pkg/Types/boolean"), ("angle", "/Pkg/Types/uint8")])],
    ), name="Door_Model.arxml", directory=source)
    Tessaly().load(str(source))
    book = workdir()
    assert book.sheetnames == ["Door"]
    sheet = book["Door"]
    assert [c.value for c in sheet[1]] == HEADER_ROW
    assert values(sheet, 2, "ABCDH") == ["1", "In_Brake_Speed[4]", "Brake", "Speed_e2e", None]
    assert values(sheet, 3, "ABCDH") == ["2", "In_Gear_Pos", "Gear", "Gear_e2e", "P;=1+1;http://x;;D"]
    assert values(sheet, 2, "IJKO") == ["Out_Door_State", "Door", "DoorRec_e2e", "boolean;uint8;&open;angle;"]
    assert values(sheet, 3, "IJKO") == ["Out_Lost", "Door", None, None]
    for cell in ("H3", "O2", "B2"):
        assert sheet[cell].data_type == "s" and sheet[cell].hyperlink is None
    assert sheet["K3"].border.left.style == "thin"
    assert sheet.max_row == 3


def test_tables_accumulate_across_files_and_loads(tmp_path, write_arxml, workdir):
    first, second = tmp_path / "first", tmp_path / "second"
    uses = [port("R", "In_Lamp", "/Pkg/If_Lamp"), port("P", "Out_Seat", "/Pkg/If_Seat")]
    used_interfaces = [interface("If_Lamp", "/Pkg/Types/Lamp_acc"), interface("If_Seat", "/Pkg/Types/Seat_acc")]
    write_arxml(model("Defines", elements=[compu_method("COMPU_Lamp_acc", ["ON", "OFF"])],
                      data_types=[structure("Seat_acc", [("pos", "/T/uint8")])]),
                name="Defines.arxml", directory=first)
    write_arxml(model("Uses", ports=uses, elements=used_interfaces), name="Uses.arxml", directory=second)
    Tessaly().load(str(first))
    Tessaly().load(str(second))
    sheet = workdir()["Uses"]
    assert values(sheet, 2, "BDHIKO") == ["In_Lamp", "Lamp_acc", "ON;OFF", "Out_Seat", "Seat_acc", "uint8;&pos;"]


def test_later_file_sees_earlier_files_tables(tmp_path, write_arxml, workdir):
    source = tmp_path / "models"
    for name, own, other in (("One", "one_seq", "two_seq"), ("Two", "two_seq", "one_seq")):
        write_arxml(model(name, ports=[port("R", "In_Other", "/Pkg/If_Other")],
                          elements=[interface("If_Other", "/Pkg/Types/" + other),
                                    compu_method("COMPU_" + own, [name])]),
                    name=name + ".arxml", directory=source)
    Tessaly().load(str(source))
    book = workdir()
    earlier, later = [e[:-len(".arxml")] for e in arxml_entries(source)]
    assert book.sheetnames == [earlier, later]
    assert book[earlier]["H2"].value is None
    assert book[later]["H2"].value == earlier


def test_models_with_the_same_sheet_name(tmp_path, write_arxml, workdir):
    source = tmp_path / "models"
    for name in ("Door.arxml", "Door_Model.arxml", "door.arxml"):
        write_arxml(model("Swc", ports=[port("P", "Out_X", "/Pkg/If_X")]), name=name, directory=source)
    Tessaly().load(str(source))
    book = workdir()
    models = [e.replace(".arxml", "").replace("_Model", "") for e in arxml_entries(source)]
    assert book.sheetnames == [models[0], models[1] + "~2", models[2] + "~3"]
    assert [sheet["J2"].value for sheet in book.worksheets] == models


def test_tpms_file_prints_a(tmp_path, write_arxml, workdir, capsys):
    source = tmp_path / "models"
    write_arxml(model("Tyres"), name="TPMS_Monitor.arxml", directory=source)
    write_arxml(model("Other"), name="Tpms_Other.arxml", directory=source)
    Tessaly().load(str(source))
    assert capsys.readouterr().out == "a\n"
    assert sorted(workdir().sheetnames) == ["TPMS_Monitor", "Tpms_Other"]


class TestFailures:
    def test_third_of_five_files_is_malformed(self, tmp_path, write_arxml, workdir, monkeypatch):
        source = tmp_path / "models"
        for i in range(5):
            write_arxml(model("Swc%d" % i), name="M%d.arxml" % i, directory=source)
        entries = arxml_entries(source)
        (source / entries[2]).write_text(u"<AUTOSAR><AR-PACKAGES>", encoding="utf-8")
        output = tmp_path / "work" / "SignalList.xlsx"
        output.write_bytes(b"earlier run")
        read, sheets = [], []
        analyser = tessaly_module.Pellinor

        class Watched(analyser):
            def readArxml(self, path, dataArray):
                read.append(os.path.basename(path))
                return analyser.readArxml(self, path, dataArray)

        class Loader(Tessaly):
            def genExcel(self, *args):
                sheets.append(args[1])
                return Tessaly.genExcel(self, *args)
        monkeypatch.setattr(tessaly_module, "Pellinor", Watched)
        with pytest.raises(ValueError):
            Loader().load(str(source))
        assert read == entries[:3]
        assert sheets == [e[:-len(".arxml")] for e in entries[:2]]
        assert output.read_bytes() == b"earlier run"

    def test_directory_named_like_a_file(self, tmp_path, workdir):
        source = tmp_path / "models"
        (source / "Inner.arxml").mkdir(parents=True)
        with pytest.raises((OSError, ValueError)):
            Tessaly().load(str(source))
        assert not (tmp_path / "work" / "SignalList.xlsx").exists()


def test_public_sample_files(shared_arxml_dir, workdir):
    Tessaly().load(shared_arxml_dir)
    book = workdir()
    assert book.sheetnames == [e[:-len(".arxml")] for e in arxml_entries(shared_arxml_dir)]
    for sheet in book.worksheets:
        assert [c.value for c in sheet[1]] == HEADER_ROW
    receiver, sender = book["ReceiverComponent"], book["SenderComponent"]
    # Their interfaces stand in another file: the ports are listed with an empty type.
    assert [r[1] for r in receiver.iter_rows(min_row=2, values_only=True)] == [
        "EngineSpeed", "VehicleSpeed", "FreeRunningTimer"]
    assert [r[8] for r in sender.iter_rows(min_row=2, values_only=True)] == ["EngineSpeed", "VehicleSpeed"]
    assert values(sender, 2, "JK") == ["SenderComponent", None]
    assert receiver["D2"].border.left.style == "thin"
    assert book["portinterfaces"].max_row == 1
