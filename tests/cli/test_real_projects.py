"""Vendor project layouts: platform types defined nowhere, mode-switch ports, component files one folder
down (load(recursive=True), velvane -r), outside type sources (type_sources=, --types-from), and why a
signal is untyped (the `signals` callable, velvane -v)."""
import os
import re

import openpyxl
import pytest

from Velvane.Tessaly import Tessaly

import split_projects as sp
from test_cli import velvane

PLATFORM = "/AUTOSAR_Platform/ImplementationDataTypes/"


def vendor_files(component="RpSeat"):
    """{relative path: body}: a component one folder down, its interfaces and types beside that folder."""
    types = sp.packages(sp.package("RpTypes", [
        sp.compu_method("RpLevel_Compu", ["LOW", "HIGH"]),
        sp.value_type("RpLevel_T", PLATFORM + "uint8", compu="/RpTypes/RpLevel_Compu"),
        sp.mode_group("RpDriveMode", ["OFF", "ECO", "SPORT"])]))
    interfaces = sp.packages(sp.package("RpIfs", [
        sp.sr_interface("If_Speed", [("v", PLATFORM + "uint16")]),
        sp.sr_interface("If_Buffer", [("v", PLATFORM + "rt_Array_uint8_8")]),
        sp.sr_interface("If_Level", [("v", "/RpTypes/RpLevel_T")]),
        sp.sr_interface("If_Empty", []),
        sp.mode_switch_interface("If_Drive", "/RpTypes/RpDriveMode"),
        sp.mode_switch_interface("If_Power", "/AUTOSAR_Platform/ModeGroups/RpPowerState"),
        sp.operation_interface("If_Call"),
        sp.operation_interface("If_Wake", "TRIGGER-INTERFACE")]))
    ports = [sp.port("R", "In_Esp_Speed", "/RpIfs/If_Speed"), sp.port("R", "In_Bcm_Buffer", "/RpIfs/If_Buffer"),
             sp.port("R", "In_Bsw_Drive", "/RpIfs/If_Drive"), sp.port("R", "In_Dcm_Call", "/RpIfs/If_Call"),
             sp.port("R", "In_Nvm_Empty", "/RpIfs/If_Empty"), sp.port("R", "In_Gw_Gone", "/Nowhere/If_Gone"),
             sp.port("P", "Out_Level", "/RpIfs/If_Level"), sp.port("P", "Out_Power", "/RpIfs/If_Power"),
             sp.port("P", "Out_Wake", "/RpIfs/If_Wake")]
    return {"Config/Developer/ComponentTypes/%s.arxml" % component:
            sp.packages(sp.package("RpSwcs", [sp.component(component, ports)])),
            "Config/Developer/PortInterfaces.arxml": interfaces,
            "Config/Developer/DataTypes.arxml": types}


def write_tree(top, files):
    for relative, body in files.items():
        folder, name = os.path.split(os.path.join(str(top), relative))
        sp.write_project(folder, {name: body})
    return str(top)


def rows(sheet, columns):
    return [[sheet["%s%d" % (c, n)].value for c in columns] for n in range(2, sheet.max_row + 1)]


@pytest.fixture
def vendor(tmp_path, monkeypatch):
    monkeypatch.chdir(str(tmp_path))
    return write_tree(tmp_path / "Top", vendor_files())


def test_platform_types_and_mode_switch_ports_with_the_reason_of_each_untyped_signal(vendor):
    signals = []
    Tessaly().load(vendor, resolve="project", recursive=True, signals=signals.append)
    sheet = openpyxl.load_workbook("SignalList.xlsx")["RpSeat"]
    assert rows(sheet, "BDH")[:6] == [
        ["In_Esp_Speed", "uint16", None], ["In_Bcm_Buffer[8]", "uint8", None],
        ["In_Bsw_Drive", "RpDriveMode", "OFF;ECO;SPORT"], ["In_Dcm_Call", None, None],
        ["In_Nvm_Empty", None, None], ["In_Gw_Gone", None, None]]
    assert rows(sheet, "IKO")[:3] == [["Out_Level", "RpLevel_T", "LOW;HIGH"], ["Out_Power", "RpPowerState", None],
                                      ["Out_Wake", None, None]]
    assert [(s.sheet, s.direction, s.type, s.reason) for s in signals if s.port == "In_Esp_Speed"] == [
        ("RpSeat", "input", "uint16", None)]
    assert [(s.port, s.reason, s.interface) for s in signals if s.reason] == [
        ("In_Dcm_Call", "not-data-interface", "/RpIfs/If_Call"),
        ("In_Nvm_Empty", "no-data-type", "/RpIfs/If_Empty"),
        ("In_Gw_Gone", "interface-missing", "/Nowhere/If_Gone"),
        ("Out_Wake", "not-data-interface", "/RpIfs/If_Wake")]
    # each file read on its own types none of them
    del signals[:]
    Tessaly().load(vendor, recursive=True, signals=signals.append)
    assert len(signals) == 9 and set(s.reason for s in signals) == {"file-lookup"}


def test_nested_folders_in_byte_order_with_clashing_file_names(vendor, tmp_path):
    write_tree(vendor, vendor_files("RpDoor"))
    outside = write_tree(tmp_path / "Outside", {"Linked.arxml": sp.packages(sp.package("X"))})
    os.symlink(outside, os.path.join(vendor, "Config", "Linked"))
    os.rename(os.path.join(vendor, "Config/Developer/ComponentTypes/RpDoor.arxml"),
              os.path.join(vendor, "Config/Developer/ComponentTypes/Door.arxml"))
    write_tree(vendor, {"Config/Developer/Door.arxml": sp.packages(sp.package("RpEmpty")),
                        "Config.arxml/Z.arxml": sp.packages(sp.package("RpZ"))})
    entries = []
    Tessaly().load(vendor, resolve="project", recursive=True, progress=lambda i, n, entry, size: entries.append(entry))
    assert entries == ["Config.arxml/Z.arxml", "Config/Developer/ComponentTypes/Door.arxml",
                       "Config/Developer/ComponentTypes/RpSeat.arxml", "Config/Developer/DataTypes.arxml",
                       "Config/Developer/Door.arxml", "Config/Developer/PortInterfaces.arxml"]
    book = openpyxl.load_workbook("SignalList.xlsx")
    assert book.sheetnames == ["Z", "Door", "RpSeat", "DataTypes", "Door~2", "PortInterfaces"]
    assert book["Door"]["D2"].value == "uint16" and book["Door~2"].max_row == 1
    # without the option, the top folder's own entries only (a folder named *.arxml is a bad file there)
    assert [entry for entry, _ in Tessaly().load(vendor, resolve="project", on_error="skip")] == ["Config.arxml"]
    assert "RpSeat" not in openpyxl.load_workbook("SignalList.xlsx").sheetnames


def test_type_sources_that_hold_the_directory_are_read_once(vendor):
    components = os.path.join(vendor, "Config", "Developer", "ComponentTypes")
    with open(os.path.join(components, "Broken.arxml"), "w") as f:
        f.write("<AUTOSAR><AR-PACKAGES>")
    skipped = Tessaly().load(components, resolve="project", type_sources=[vendor], on_error="skip")
    assert [entry for entry, _ in skipped] == ["Broken.arxml"]
    book = openpyxl.load_workbook("SignalList.xlsx")
    assert book.sheetnames == ["RpSeat"] and book["RpSeat"]["H4"].value == "OFF;ECO;SPORT"
    with pytest.raises(ValueError):
        Tessaly().load(components, type_sources=[vendor])
    with pytest.raises(FileNotFoundError):
        Tessaly().load(components, resolve="project", type_sources=[vendor, os.path.join(vendor, "Absent")])


def test_command_with_a_broken_type_source(vendor, tmp_path):
    developer = os.path.join(vendor, "Config", "Developer")
    broken = os.path.join(developer, "Broken.arxml")
    with open(broken, "w") as f:
        f.write("<AUTOSAR>\n<AR-PACKAGES>\n")
    components, target = os.path.join(developer, "ComponentTypes"), tmp_path / "out.xlsx"
    done = velvane(components, "--types-from", developer, "-o", target)
    assert done.returncode == 1 and not target.exists()
    assert re.match(re.escape(broken) + r":2:\d+: error: ", done.stderr)
    done = velvane(components, "--types-from", developer, "-o", target, "-k", "-v")
    assert done.returncode == 1 and target.exists(), done.stderr
    lines = done.stderr.splitlines()
    assert re.match(re.escape(broken) + r":2:\d+: error: ", lines[0])
    assert lines[1] == "velvane: untyped: RpSeat: In_Dcm_Call (input): not a data interface: /RpIfs/If_Call"
    assert "3 type-source files (1 left out)" in lines[-2] and "(5 typed)" in lines[-2]
    assert lines[-1] == ("velvane: 4 signals without a data type: 1 interface not in the files read, 2 not "
                         "data interfaces (client-server, trigger, parameter, ...), 1 interface names no data "
                         "element or type")
    for args in (["--types-from", vendor + "/Absent"], ["--types-from", developer, "--resolve", "file"]):
        done = velvane(components, "-o", target, *args)
        assert done.returncode == 2 and "velvane: error: " in done.stderr
