"""readArxml over the public sample files, checked against what a plain XML parser finds in them."""
import xml.etree.ElementTree as ET

import pytest

from conftest import shared_arxml_params
from Velvane.Pellinor import Pellinor
from pellinor_doubles import DATA_ARRAY

NS = "{http://autosar.org/schema/r4.0}"


def find(element, path):
    return element.find("/".join(NS + tag for tag in path.split("/")))


def findall(element, path):
    return element.findall("/".join(NS + tag for tag in path.split("/")))


def text(element, path):
    found = find(element, path)
    return "" if found is None else found.text


def first_with(root, path):
    """The elements at `path` in the first package, top-level or one below, that has any."""
    for top in findall(root, "AR-PACKAGES/AR-PACKAGE"):
        for pkg in [top] + findall(top, "AR-PACKAGES/AR-PACKAGE"):
            if findall(pkg, path):
                return findall(pkg, path)
    return []


@pytest.mark.parametrize("path", shared_arxml_params())
def test_sample_file(path):
    root = ET.parse(path).getroot()
    analyser = Pellinor()
    analyser.modelName = ""
    interfaces, rports, pports, accesses, base_types, data_types = analyser.readArxml(path, DATA_ARRAY)

    components = first_with(root, "ELEMENTS/APPLICATION-SW-COMPONENT-TYPE")
    model = text(components[0], "SHORT-NAME") if components else ""
    assert analyser.modelName == model
    for records, kind, spec in [(rports, "R-PORT-PROTOTYPE", "REQUIRED-COM-SPECS/NONQUEUED-RECEIVER-COM-SPEC"),
                                (pports, "P-PORT-PROTOTYPE", "PROVIDED-COM-SPECS/NONQUEUED-SENDER-COM-SPEC")]:
        ports = findall(components[0], "PORTS/" + kind) if components else []
        assert [r[:2] for r in records] == [[model, text(p, "SHORT-NAME")] for p in ports]
        assert [r[3] for r in records] == [text(p, spec + "/DATA-ELEMENT-REF") for p in ports]
        assert {len(r) for r in records} <= {16 if kind[0] == "R" else 12}
        assert all(r[2] == r[-1] == "" for r in records)

    expected_interfaces = first_with(root, "ELEMENTS/SENDER-RECEIVER-INTERFACE")
    assert [(r[1], r[7]) for r in interfaces] == [
        (text(i, "SHORT-NAME"), text(i, "DATA-ELEMENTS/VARIABLE-DATA-PROTOTYPE/TYPE-TREF"))
        for i in expected_interfaces]
    for records, path_ in [(base_types, "ELEMENTS/SW-BASE-TYPE"), (data_types, "ELEMENTS/IMPLEMENTATION-DATA-TYPE")]:
        assert [r[1] for r in records] == [text(e, "SHORT-NAME") for e in first_with(root, path_)]

    for data_type in first_with(root, "ELEMENTS/IMPLEMENTATION-DATA-TYPE"):
        name = text(data_type, "SHORT-NAME")
        if text(data_type, "CATEGORY") == "VALUE" and "boolean" not in name.lower():
            assert Pellinor.enumDict[name] == text(
                data_type, "SW-DATA-DEF-PROPS/SW-DATA-DEF-PROPS-VARIANTS/SW-DATA-DEF-PROPS-CONDITIONAL/BASE-TYPE-REF")
    assert len(accesses) == len(analyser.runnablesList)
