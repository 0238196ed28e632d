"""The Connections sheet (load(connections=True), velvane --connections): assembly connectors and
loose ports of the compositions in a directory, checked through the workbook."""
import openpyxl
import pytest

from Velvane import cli
from Velvane.Tessaly import Tessaly

import split_projects as sp

HEADER = ["Composition", "Provider", "Provided port", "Requester", "Required port", "Interface", "Data type",
          "Status"]


def component_type(kind, name, ports):
    return "<{0}><SHORT-NAME>{1}</SHORT-NAME><PORTS>{2}</PORTS></{0}>".format(kind, name, "".join(ports))


def pr_port(name, interface):
    return ("<PR-PORT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s</PR-PORT-PROTOTYPE>"
            % (name, sp.ref("PROVIDED-REQUIRED-INTERFACE-TREF", interface, "SENDER-RECEIVER-INTERFACE")))


def instance(tag, prototype, port_tag, port):
    return "<{0}>{1}{2}</{0}>".format(tag, sp.ref("CONTEXT-COMPONENT-REF", "/Top/Vehicle/" + prototype),
                                      sp.ref(port_tag, port))


def assembly(provider, requester):
    """provider, requester: (prototype, port path) pairs."""
    return ("<ASSEMBLY-SW-CONNECTOR><SHORT-NAME>c_%s</SHORT-NAME>%s%s</ASSEMBLY-SW-CONNECTOR>"
            % (provider[0], instance("PROVIDER-IREF", provider[0], "TARGET-P-PORT-REF", provider[1]),
               instance("REQUESTER-IREF", requester[0], "TARGET-R-PORT-REF", requester[1])))


def composition():
    prototypes = [("sensor", "/Components/SpeedSensor"), ("cabin", "/Components/Cabin"),
                  ("ghost", "/Elsewhere/Ghost")]
    components = "".join("<SW-COMPONENT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s</SW-COMPONENT-PROTOTYPE>"
                         % (name, sp.ref("TYPE-TREF", path)) for name, path in prototypes)
    connectors = [
        assembly(("sensor", "/Components/SpeedSensor/Out_Speed"), ("cabin", "/Components/Cabin/In_Veh_Speed")),
        assembly(("sensor", "/Components/SpeedSensor/Out_Gear"), ("cabin", "/Components/Cabin/In_Abs_Wheels")),
        assembly(("ghost", "/Elsewhere/Ghost/Out_Gear"), ("cabin", "/Components/Cabin/In_Tcu_Gear")),
        assembly(("sensor", "/Components/SpeedSensor/Out_None"), ("nobody", "/Components/Cabin/In_Veh_Speed")),
        "<DELEGATION-SW-CONNECTOR><SHORT-NAME>d_door</SHORT-NAME><INNER-PORT-IREF>%s</INNER-PORT-IREF>%s"
        "</DELEGATION-SW-CONNECTOR>" % (instance("P-PORT-IN-COMPOSITION-INSTANCE-REF", "cabin", "TARGET-P-PORT-REF",
                                                 "/Components/Cabin/Out_Door"),
                                        sp.ref("OUTER-PORT-REF", "/Top/Vehicle/Door")),
    ]
    body = ("<COMPOSITION-SW-COMPONENT-TYPE><SHORT-NAME>Vehicle</SHORT-NAME><PORTS>%s</PORTS>"
            "<COMPONENTS>%s</COMPONENTS><CONNECTORS>%s</CONNECTORS></COMPOSITION-SW-COMPONENT-TYPE>"
            % (sp.port("P", "Door", "/Interfaces/If_Door"), components, "".join(connectors)))
    return sp.packages(sp.package("Top", [body]))


def components():
    sensor = component_type("SENSOR-ACTUATOR-SW-COMPONENT-TYPE", "SpeedSensor", [
        sp.port("P", "Out_Speed", "/Interfaces/If_Speed"),
        sp.port("P", "Out_Gear", "/Interfaces/If_Gear"),
        sp.port("P", "Out_Spare", "/Interfaces/If_Wheels"),
    ])
    cabin = sp.component("Cabin", [
        sp.port("R", "In_Veh_Speed", "/Interfaces/If_Speed"),
        sp.port("R", "In_Abs_Wheels", "/Interfaces/If_Wheels"),
        sp.port("R", "In_Tcu_Gear", "/Interfaces/If_Gear"),
        sp.port("R", "In_Unfed", "/Interfaces/If_Gear"),
        pr_port("Both_Door", "/Interfaces/If_Door"),
        sp.port("P", "Out_Door", "/Interfaces/If_Door"),
    ])
    return sp.packages(sp.package("Components", [sensor, cabin]))


@pytest.fixture
def project(tmp_path):
    # The composition's file is named like the sheet, so the sheet's own name has to be mended.
    return sp.write_project(tmp_path / "project", {
        "Connections.arxml": composition(), "Components.arxml": components(),
        "Interfaces.arxml": sp.basic_interfaces(), "DataTypes.arxml": sp.basic_types()})


def rows(path):
    book = openpyxl.load_workbook(str(path))
    sheet = book.worksheets[-1]
    values = [[cell.value or "" for cell in row] for row in sheet.iter_rows()]
    return book, sheet, values


def test_connectors_then_loose_ports(project, tmp_path):
    output = tmp_path / "out.xlsx"
    Tessaly().load(project, output=str(output), connections=True)  # ports typed per file: the index still types
    book, sheet, values = rows(output)
    assert book.sheetnames[-1] == "Connections~2" and len(book.sheetnames) == 5
    assert values[0] == HEADER
    assert sheet["A1"].font.b and sheet["A1"].fill.fgColor.rgb.endswith("64A600")
    assert values[1:] == [
        ["Vehicle", "sensor (SpeedSensor)", "Out_Speed", "cabin (Cabin)", "In_Veh_Speed", "If_Speed", "UInt16",
         "connected"],
        ["Vehicle", "sensor (SpeedSensor)", "Out_Gear", "cabin (Cabin)", "In_Abs_Wheels", "If_Gear", "Gear_T",
         "interface mismatch: If_Wheels"],
        ["Vehicle", "ghost", "Out_Gear", "cabin (Cabin)", "In_Tcu_Gear", "", "", "connected"],
        ["Vehicle", "sensor (SpeedSensor)", "Out_None", "nobody", "In_Veh_Speed", "", "",
         "no such provided port; no such requester prototype"],
        ["Vehicle", "sensor (SpeedSensor)", "Out_Spare", "", "", "If_Wheels", "UInt16[4]", "unused output"],
        ["Vehicle", "", "", "cabin (Cabin)", "In_Unfed", "If_Gear", "Gear_T", "unconnected input"],
        ["Vehicle", "", "", "cabin (Cabin)", "Both_Door", "If_Door", "Door_T", "unconnected input"],
    ]


def test_without_the_keyword_no_sheet_is_added(project, tmp_path):
    output = tmp_path / "plain.xlsx"
    Tessaly().load(project, output=str(output), resolve="project")
    assert len(openpyxl.load_workbook(str(output)).sheetnames) == 4  # one per file, "Connections" the file's
    with pytest.raises(TypeError, match="connections must be True or False"):
        Tessaly().load(project, output=str(output), connections="yes")


def test_command_summary(project, tmp_path, capsys):
    output = tmp_path / "cli.xlsx"
    assert cli.main([project, "-o", str(output), "--connections"]) == 0
    lines = capsys.readouterr().err.splitlines()
    assert lines[-1] == ("velvane: connections: 4 connectors, 2 unconnected inputs, 1 unused output, "
                         "1 prototype whose type was not found (-v lists them)")


def test_public_sample_composition(shared_arxml_dir, tmp_path):
    output = tmp_path / "sample.xlsx"
    Tessaly().load(shared_arxml_dir, output=str(output), connections=True)
    _, _, values = rows(output)
    connectors = [row for row in values[1:] if row[7] not in ("unconnected input", "unused output")]
    assert [row[:5] + row[7:] for row in connectors] == [
        ["TopLevelComposition", "SWC_CyclicCounter (SWC_CyclicCounter)", "P_EchoCalc",
         "SWC_ModifyEcho (SWC_ModifyEcho)", "R_EchoResult", "connected"],
        ["TopLevelComposition", "SWC_ModifyEcho (SWC_ModifyEcho)", "P_SpecialRequest",
         "SWC_CyclicCounter (SWC_CyclicCounter)", "R_SpecialHandling", "connected"],
        ["TopLevelComposition", "SWC_IoHwAbs (SWC_IoHwAbs)", "P_MyLED",
         "SWC_CyclicCounter (SWC_CyclicCounter)", "R_MyLED", "connected"],
    ]
    loose = {(row[1] or row[3], row[2] or row[4]) for row in values[1:] if row not in connectors}
    # Delegated ports are wired to the composition's own ports, not loose.
    assert ("SWC_ModifyEcho (SWC_ModifyEcho)", "P_EchoOut") not in loose
    assert ("SWC_ModifyEcho (SWC_ModifyEcho)", "R_NewCounterIn") not in loose
    assert ("SWC_CyclicCounter (SWC_CyclicCounter)", "UR_ComMUser_0") in loose
