"""The element objects of the ARXML binding: names, once/many split, text, XML attributes, identity."""
import os
import pathlib
import xml.etree.ElementTree as ET

import pytest

from Omdra.Corvenna import AUTOSAR_00048

from conftest import shared_arxml_params

COMPONENT = """
<AR-PACKAGES>
  <AR-PACKAGE UUID="pkg-1">
    <SHORT-NAME>Door</SHORT-NAME>
    <ELEMENTS>
      <APPLICATION-SW-COMPONENT-TYPE UUID="c-1">
        <SHORT-NAME>DoorLock</SHORT-NAME>
        <DESC><L-2 L="EN">Locks the door at 5 \u00b0C, \u95e8\u9501</L-2></DESC>
        <PORTS>
          <R-PORT-PROTOTYPE>
            <SHORT-NAME>In_Speed</SHORT-NAME>
            <REQUIRED-COM-SPECS>
              <NONQUEUED-RECEIVER-COM-SPEC>
                <DATA-ELEMENT-REF DEST="VARIABLE-DATA-PROTOTYPE">/If/Speed/Value</DATA-ELEMENT-REF>
              </NONQUEUED-RECEIVER-COM-SPEC>
            </REQUIRED-COM-SPECS>
            <REQUIRED-INTERFACE-TREF DEST="SENDER-RECEIVER-INTERFACE">/If/Speed</REQUIRED-INTERFACE-TREF>
          </R-PORT-PROTOTYPE>
          <R-PORT-PROTOTYPE><SHORT-NAME>In_Mode</SHORT-NAME></R-PORT-PROTOTYPE>
        </PORTS>
      </APPLICATION-SW-COMPONENT-TYPE>
    </ELEMENTS>
  </AR-PACKAGE>
</AR-PACKAGES>
"""


@pytest.fixture
def root(write_arxml):
    return AUTOSAR_00048.parse(write_arxml(COMPONENT))


def component_of(root):
    return root.AR_PACKAGES.AR_PACKAGE[0].ELEMENTS.APPLICATION_SW_COMPONENT_TYPE[0]


def test_children_follow_the_schema_once_many_split(root):
    packages = root.AR_PACKAGES.AR_PACKAGE
    assert isinstance(packages, list) and len(packages) == 1
    component = component_of(root)
    ports = component.PORTS
    assert [p.SHORT_NAME.valueOf_ for p in ports.R_PORT_PROTOTYPE] == ["In_Speed", "In_Mode"]
    assert ports.P_PORT_PROTOTYPE == []                     # repeated child the file lacks
    assert component.INTERNAL_BEHAVIORS is None             # single child the file lacks
    specs = ports.R_PORT_PROTOTYPE[0].REQUIRED_COM_SPECS.NONQUEUED_RECEIVER_COM_SPEC
    assert isinstance(specs, list)
    assert specs[0].DATA_ELEMENT_REF.valueOf_ == "/If/Speed/Value"
    assert ports.R_PORT_PROTOTYPE[1].REQUIRED_COM_SPECS is None
    assert bool(component) and bool(ports)


def test_unknown_names_raise_attribute_error(root):
    component = component_of(root)
    with pytest.raises(AttributeError, match="NO_SUCH_CHILD"):
        component.NO_SUCH_CHILD
    with pytest.raises(AttributeError):
        component.SHORT_NAME.SHORT_NAME            # a text element has no children
    assert not hasattr(component, "DEST")          # absent XML attribute


def test_text_is_valueOf_only_on_text_elements(root):
    component = component_of(root)
    assert component.SHORT_NAME.valueOf_ == "DoorLock"
    with pytest.raises(AttributeError):
        component.valueOf_                         # holds child elements only
    assert component.DESC.L_2[0].valueOf_ == "Locks the door at 5 \u00b0C, \u95e8\u9501"


def test_xml_attributes_are_readable_by_name(root):
    component = component_of(root)
    ref = component.PORTS.R_PORT_PROTOTYPE[0].REQUIRED_INTERFACE_TREF
    assert ref.DEST == "SENDER-RECEIVER-INTERFACE"
    assert component.UUID == "c-1"
    assert component.DESC.L_2[0].L == "EN"
    assert "UUID" in dir(component) and "SHORT_NAME" in dir(component)


def test_repeated_reads_give_the_same_objects(root):
    component = component_of(root)
    assert component.PORTS is component.PORTS
    assert component.PORTS.R_PORT_PROTOTYPE is component.PORTS.R_PORT_PROTOTYPE
    assert component.SHORT_NAME.valueOf_ is component.SHORT_NAME.valueOf_
    assert getattr(component, "SHORT" + "_NAME") is component.SHORT_NAME
    assert root.AR_PACKAGES.AR_PACKAGE[0] is root.AR_PACKAGES.AR_PACKAGE[0]


@pytest.mark.parametrize("text, expected", [
    ("<SHORT-NAME></SHORT-NAME>", None),
    ("<SHORT-NAME/>", None),
    ("<SHORT-NAME> </SHORT-NAME>", " "),
    ("<SHORT-NAME>a&amp;b&lt;c&#x41;</SHORT-NAME>", "a&b<cA"),
    ("<SHORT-NAME><![CDATA[x<y]]></SHORT-NAME>", "x<y"),
])
def test_text_content_edge_cases(write_arxml, text, expected):
    root = AUTOSAR_00048.parse(write_arxml("<AR-PACKAGES><AR-PACKAGE>%s</AR-PACKAGE></AR-PACKAGES>" % text))
    assert root.AR_PACKAGES.AR_PACKAGE[0].SHORT_NAME.valueOf_ == expected


def test_mixed_content_joins_its_text_pieces(write_arxml):
    body = ("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><DESC><L-2 L='EN'>a<BR/>b</L-2></DESC>"
            "</AR-PACKAGE></AR-PACKAGES>")
    desc = AUTOSAR_00048.parse(write_arxml(body)).AR_PACKAGES.AR_PACKAGE[0].DESC
    assert desc.L_2[0].valueOf_ == "ab"


def test_children_unknown_to_the_schema_revision_are_not_exposed(write_arxml):
    body = ("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><FUTURE-THING>x</FUTURE-THING>"
            "</AR-PACKAGE></AR-PACKAGES>")
    package = AUTOSAR_00048.parse(write_arxml(body)).AR_PACKAGES.AR_PACKAGE[0]
    assert package.SHORT_NAME.valueOf_ == "P"
    with pytest.raises(AttributeError):
        package.FUTURE_THING


def test_path_like_and_silence_are_accepted(write_arxml):
    path = write_arxml(COMPONENT)
    for root in (AUTOSAR_00048.parse(pathlib.Path(path)), AUTOSAR_00048.parse(path, True),
                 AUTOSAR_00048.parse(path=path, silence=False)):
        assert component_of(root).SHORT_NAME.valueOf_ == "DoorLock"


def test_document_lives_as_long_as_any_element(write_arxml):
    ports = component_of(AUTOSAR_00048.parse(write_arxml(COMPONENT))).PORTS
    # The root and every intermediate object are gone; the reachable elements still read.
    assert ports.R_PORT_PROTOTYPE[0].SHORT_NAME.valueOf_ == "In_Speed"


def _walk_both(ours, theirs, counts):
    """Compares our element tree with ElementTree's, child tag by child tag."""
    children = {}
    for child in theirs:
        if isinstance(child.tag, str):
            children.setdefault(child.tag.split("}")[-1], []).append(child)
    known = set(dir(ours))
    for tag, found in children.items():
        name = tag.replace("-", "_")
        if name not in known:
            continue                               # not part of the 00048 view of this type
        value = getattr(ours, name)
        counts[0] += 1
        if isinstance(value, list):
            assert len(value) == len(found), tag
            pairs = zip(value, found)
        else:
            assert value is not None, tag
            pairs = [(value, found[0])]
        for a, b in pairs:
            if "valueOf_" in dir(a):
                assert (a.valueOf_ or "") == "".join(b.itertext()), tag
            _walk_both(a, b, counts)


@pytest.mark.parametrize("path", shared_arxml_params())
def test_public_files_read_like_a_plain_xml_parser_sees_them(path):
    counts = [0]
    _walk_both(AUTOSAR_00048.parse(path), ET.parse(path).getroot(), counts)
    assert counts[0] > 20
