"""The project index and the port typing over it (Velvane.Tessaly._ProjectTypes): ports typed through
the references that the files of a directory carry, across files."""
import os
import sys
import xml.etree.ElementTree as ET

import pytest

from Velvane.Tessaly import _ProjectTypes

import split_projects as sp
from conftest import REPO

sys.path.insert(0, os.path.join(REPO, "tools"))
import gen_corpus  # noqa: E402

IDT = "IMPLEMENTATION-DATA-TYPE-REF"
BASE = "BASE-TYPE-REF"


def typed(result):
    """(type, array suffix, text) of a typing result, None when untyped."""
    return None if result is None else (result["type"], result["array"], result["text"])


def one_file_project(tmp_path, types=(), interfaces=(), compu=(), extra=()):
    """Interfaces under /If, data types under /T, compu methods under /C in one file; returns the index."""
    body = sp.packages(sp.package("If", list(interfaces)), sp.package("T", list(types)),
                       sp.package("C", list(compu)), *extra)
    return _ProjectTypes(sp.write_project(tmp_path / "p", {"All.arxml": body}))


# -- a split project: component, interfaces and types in three files --

@pytest.mark.parametrize("names", [
    ("Cabin.arxml", "Interfaces.arxml", "DataTypes.arxml"),
    ("z_Cabin.arxml", "m_Interfaces.arxml", "a_DataTypes.arxml"),
    ("a_Cabin.arxml", "m_Interfaces.arxml", "z_DataTypes.arxml"),
])
def test_split_project_types_every_port(tmp_path, names):
    project = _ProjectTypes(sp.write_basic_project(tmp_path / "p", names))
    assert sorted(project.files) == sorted(names) and project.skipped == []
    assert project.counts() == {"interfaces": 4, "implementation_types": 5, "application_types": 0,
                                "mapping_sets": 0, "compu_methods": 2, "components": 1}
    [(component, ports)] = project.components(names[0])
    assert component == "Cabin"
    assert [name for name, _ in ports] == ["In_Veh_Speed", "In_Tcu_Gear", "In_Abs_Wheels", "Out_Door"]
    for name, provided in ports:
        result = project.port(names[0], "Cabin", name, provided)
        assert typed(result) == sp.BASIC_EXPECTED[name], name
    assert project.port(names[0], "Cabin", "Out_Door", True)["referenced"] == "Door_T"


def test_port_lookup_needs_file_component_name_and_direction(tmp_path):
    project = _ProjectTypes(sp.write_basic_project(tmp_path / "p"))
    assert project.port("Cabin.arxml", "Cabin", "In_Veh_Speed") is not None
    assert project.port("Cabin.arxml", "Cabin", "In_Veh_Speed", provided=True) is None
    assert project.port("Interfaces.arxml", "Cabin", "In_Veh_Speed") is None
    assert project.port("Cabin.arxml", "Other", "In_Veh_Speed") is None
    assert project.port("Cabin.arxml", "Cabin", "In_Nothing") is None


# -- data types --

@pytest.mark.parametrize("types, compu, expected", [
    # a value type with a text table: its literals in scale order
    ([sp.value_type("Mode_T", compu="/C/ModeValues")], [sp.compu_method("ModeValues", ["OFF", "ON"])],
     ("Mode_T", "", "OFF;ON")),
    # leading empty literals leave no trace, later ones an empty piece; scales without a constant none
    ([sp.value_type("Mode_T", compu="/C/ModeValues")],
     [sp.compu_method("ModeValues", [None, "A", False, None, "B"])], ("Mode_T", "", "A;;B")),
    # a text table without scales: an empty text
    ([sp.value_type("Mode_T", compu="/C/ModeValues")], [sp.compu_method("ModeValues", [])], ("Mode_T", "", "")),
    # only TEXTTABLE compu methods give literals; boolean ones none, as in the type tables
    ([sp.value_type("Mode_T", compu="/C/ModeValues")], [sp.compu_method("ModeValues", ["A"], "LINEAR")],
     ("Mode_T", "", None)),
    ([sp.value_type("Mode_T", compu="/C/Is_BOOLEAN_Values")], [sp.compu_method("Is_BOOLEAN_Values", ["F", "T"])],
     ("Mode_T", "", None)),
    # a compu method that is not in the index: the type without literals
    ([sp.value_type("Mode_T", compu="/C/Missing")], [], ("Mode_T", "", None)),
    # an array: the element type and its size
    ([sp.array_type("Arr_T", "/T/U8", 8), sp.value_type("U8")], [], ("U8", "[8]", None)),
    # an array of enumerations shows the element's literals
    ([sp.array_type("Arr_T", "/T/Mode_T", 3), sp.value_type("Mode_T", compu="/C/ModeValues")],
     [sp.compu_method("ModeValues", ["X", "Y"])], ("Mode_T", "[3]", "X;Y")),
    # an array whose element is a base type
    ([sp.array_type("Arr_T", "/Base/uint8", 2, tag=BASE, category="VALUE")], [], ("uint8", "[2]", None)),
    # an array of an element type outside the index: its name from the reference
    ([sp.array_type("Arr_T", "/Elsewhere/Float", 5)], [], ("Float", "[5]", None)),
    # arrays of arrays: one suffix per level, outermost first
    ([sp.array_type("Outer_T", "/T/Inner_T", 2), sp.array_type("Inner_T", "/T/U8", 3), sp.value_type("U8")], [],
     ("U8", "[2][3]", None)),
    # a structure: member types (implementation or base type references) and names
    ([sp.struct_type("Rec_T", [("a", "/T/U8", IDT), ("b", "/Base/uint16", BASE), ("c", "/X/Rec2", IDT)])], [],
     ("Rec_T", "", "U8;uint16;Rec2;&a;b;c;")),
    ([sp.struct_type("Empty_T", [])], [], ("Empty_T", "", ";&;")),
    # an array of structures
    ([sp.array_type("Recs_T", "/T/Rec_T", 4), sp.struct_type("Rec_T", [("a", "/T/U8", IDT)])], [],
     ("Rec_T", "[4]", "U8;&a;")),
    # a TYPE_REFERENCE keeps its own name and takes the kind of what it refers to
    ([sp.reference_type("Alias_T", "/T/Rec_T"), sp.struct_type("Rec_T", [("a", "/T/U8", IDT)])], [],
     ("Alias_T", "", "U8;&a;")),
    ([sp.reference_type("Alias_T", "/T/Arr_T"), sp.array_type("Arr_T", "/T/U8", 6), sp.value_type("U8")], [],
     ("U8", "[6]", None)),
    # along a chain the nearest compu method decides
    ([sp.reference_type("A_T", "/T/B_T"), sp.reference_type("B_T", "/T/C_T", compu="/C/Near"),
      sp.value_type("C_T", compu="/C/Far")],
     [sp.compu_method("Near", ["N1", "N2"]), sp.compu_method("Far", ["F1"])], ("A_T", "", "N1;N2")),
    ([sp.reference_type("A_T", "/T/C_T", compu="/C/Linear"), sp.value_type("C_T", compu="/C/Far")],
     [sp.compu_method("Linear", [], "LINEAR"), sp.compu_method("Far", ["F1"])], ("A_T", "", None)),
    ([sp.reference_type("A_T", "/T/C_T", compu="/C/Missing"), sp.value_type("C_T", compu="/C/Far")],
     [sp.compu_method("Far", ["F1"])], ("A_T", "", "F1")),
    # a TYPE_REFERENCE to a type outside the index: the type as far as it is known
    ([sp.reference_type("A_T", "/Platform/uint8", compu="/C/Own")], [sp.compu_method("Own", ["Z"])],
     ("A_T", "", "Z")),
])
def test_data_types(tmp_path, types, compu, expected):
    project = one_file_project(tmp_path, types=types, compu=compu)
    first_name = types[0].split("<SHORT-NAME>", 1)[1].split("<", 1)[0]
    assert typed(project.data_type("/T/" + first_name)) == expected


@pytest.mark.parametrize("types", [
    [sp.reference_type("A_T", "/T/A_T")],
    [sp.reference_type("A_T", "/T/B_T"), sp.reference_type("B_T", "/T/C_T"), sp.reference_type("C_T", "/T/A_T")],
    [sp.array_type("A_T", "/T/A_T", 2)],
    [sp.array_type("A_T", "/T/B_T", 2), sp.reference_type("B_T", "/T/A_T")],
])
def test_reference_cycles_leave_the_type_named_by_its_reference(tmp_path, types):
    project = one_file_project(tmp_path, types=types, interfaces=[sp.sr_interface("If_A", [("a", "/T/A_T")])])
    assert typed(project.data_type("/T/A_T")) == ("A_T", "", None)
    assert typed(project.interface("/If/If_A")) == ("A_T", "", None)


def test_type_missing_from_the_directory_is_named_by_its_reference(tmp_path):
    project = one_file_project(tmp_path, interfaces=[sp.sr_interface("If_A", [("a", "/Platform/uint8")])])
    assert typed(project.data_type("/Platform/uint8")) == ("uint8", "", None)
    assert typed(project.interface("/If/If_A")) == ("uint8", "", None)
    # the array naming of the single-file look-ups, and no text made up
    assert typed(project.data_type("/Platform/rt_Array_uint8_6")) == ("uint8", "[6]", None)
    assert project.interface("/If/If_Missing") is None
    assert project.data_type("") is None
    assert project.data_type("/Platform/") is None


# -- data elements --

def test_data_element_named_by_the_com_spec(tmp_path):
    project = one_file_project(
        tmp_path, types=[sp.value_type("U8"), sp.value_type("U16")],
        interfaces=[sp.sr_interface("If_Two", [("first", "/T/U8"), ("second", "/T/U16")]),
                    sp.sr_interface("If_None", [])])
    assert project.interface("/If/If_Two", "/If/If_Two/second")["type"] == "U16"
    assert project.interface("/If/If_Two", "")["type"] == "U8"
    # a reference through another path still names the element by its last piece
    assert project.interface("/If/If_Two", "/Copy/If_Two/second")["type"] == "U16"
    # an element the interface lacks: its first element
    assert project.interface("/If/If_Two", "/If/If_Two/third")["type"] == "U8"
    assert project.interface("/If/If_None") is None


@pytest.mark.parametrize("queued", [False, True])
def test_port_data_element_from_queued_and_nonqueued_com_specs(tmp_path, queued):
    body = sp.packages(
        sp.package("If", [sp.sr_interface("If_Two", [("first", "/T/U8"), ("second", "/T/U16")])]),
        sp.package("T", [sp.value_type("U8"), sp.value_type("U16")]),
        sp.package("Swc", [sp.component("Comp", [
            sp.port("R", "In", "/If/If_Two", "/If/If_Two/second", queued=queued),
            sp.port("P", "Out", "/If/If_Two", "/If/If_Two/second", queued=queued)])]))
    project = _ProjectTypes(sp.write_project(tmp_path / "p", {"Comp.arxml": body}))
    assert project.port("Comp.arxml", "Comp", "In")["type"] == "U16"
    assert project.port("Comp.arxml", "Comp", "Out", True)["type"] == "U16"


# -- application data types --

def application_project(tmp_path, component_sets):
    body = sp.packages(
        sp.package("If", [sp.sr_interface("If_Mode", [("mode", "/App/Mode_A")]),
                          sp.sr_interface("If_Lone", [("lone", "/App/Lone_A")])]),
        sp.package("App", [sp.application_type("Mode_A", compu="/C/AppModes"),
                           sp.application_type("Lone_A", compu="/C/AppModes")]),
        sp.package("T", [sp.value_type("ModeA_T", compu="/C/ImplModes"), sp.value_type("ModeB_T")]),
        sp.package("C", [sp.compu_method("AppModes", ["APP1", "APP2"]), sp.compu_method("ImplModes", ["I1"])]),
        sp.package("Maps", [sp.mapping_set("SetA", [("/App/Mode_A", "/T/ModeA_T")]),
                            sp.mapping_set("SetB", [("/App/Mode_A", "/T/ModeB_T")])]),
        sp.package("Swc", [sp.component("Comp", [sp.port("R", "In_Mode", "/If/If_Mode"),
                                                 sp.port("R", "In_Lone", "/If/If_Lone")],
                                        mapping_sets=component_sets)]))
    return _ProjectTypes(sp.write_project(tmp_path / "p", {"Comp.arxml": body}))


@pytest.mark.parametrize("component_sets, expected", [
    # the component's own mapping set first ...
    (["/Maps/SetB"], ("ModeB_T", "", "APP1;APP2")),
    (["/Maps/Missing", "/Maps/SetA"], ("ModeA_T", "", "I1")),
    # ... else any mapping set of the project that maps the type (the first one written)
    ([], ("ModeA_T", "", "I1")),
])
def test_application_type_mapped_to_its_implementation_type(tmp_path, component_sets, expected):
    project = application_project(tmp_path, component_sets)
    result = project.port("Comp.arxml", "Comp", "In_Mode")
    assert typed(result) == expected
    assert result["referenced"] == "Mode_A"


def test_unmapped_application_type_stands_as_it_is(tmp_path):
    project = application_project(tmp_path, [])
    assert typed(project.port("Comp.arxml", "Comp", "In_Lone")) == ("Lone_A", "", "APP1;APP2")


# -- relative references --

def test_relative_references_through_reference_bases(tmp_path):
    types = sp.packages(sp.package("Types", [sp.value_type("U8"), sp.value_type("Enum_T", compu="/Compu/Lits")]),
                        sp.package("Compu", [sp.compu_method("Lits", ["L0", "L1"])]))
    interfaces = sp.packages(sp.package(
        "Ifs", [sp.sr_interface("If_Default", [("v", "U8")]),
                sp.sr_interface("If_Labelled", [("v", "Enum_T")], base="types")],
        bases=[sp.reference_base("types", "/Types", default=True)]))
    components = sp.packages(sp.package(
        "Outer", bases=[sp.reference_base("ifs", "/Nowhere"), sp.reference_base("any", "/Ifs", default=True)],
        subpackages=[sp.package("Inner", [sp.component("Comp", [
            sp.port("R", "In_Default", "If_Default", "If_Default/v"),
            sp.port("R", "In_Labelled", "If_Labelled", "If_Labelled/v", base="ifs"),
            sp.port("R", "In_Unknown", "If_Default", base="nobase")])],
            bases=[sp.reference_base("ifs", this_package=False, package_path="/Ifs")])]))
    directory = sp.write_project(tmp_path / "p", {"Types.arxml": types, "Ifs.arxml": interfaces,
                                                  "Comp.arxml": components})
    project = _ProjectTypes(directory)
    # the default base of an enclosing package
    assert typed(project.port("Comp.arxml", "Comp", "In_Default")) == ("U8", "", None)
    # a named base: the nearest package that has it wins over an outer one of the same label
    assert typed(project.port("Comp.arxml", "Comp", "In_Labelled")) == ("Enum_T", "", "L0;L1")
    # a base that no enclosing package has leaves the reference unresolved
    assert project.port("Comp.arxml", "Comp", "In_Unknown") is None


def test_base_is_this_package(tmp_path):
    body = sp.packages(sp.package(
        "Pkg", [sp.sr_interface("If_A", [("a", "Sub/U8")])],
        subpackages=[sp.package("Sub", [sp.value_type("U8")])],
        bases=[sp.reference_base("here", this_package=True, default=True)]))
    project = _ProjectTypes(sp.write_project(tmp_path / "p", {"A.arxml": body}))
    assert project.interface("/Pkg/If_A")["type"] == "U8"


def test_relative_reference_without_any_base_stays_unresolved(tmp_path):
    project = one_file_project(tmp_path, types=[sp.value_type("U8")],
                               interfaces=[sp.sr_interface("If_A", [("a", "T/U8")])])
    # still named by the reference as written, but nothing of /T/U8 is read
    assert typed(project.interface("/If/If_A")) == ("U8", "", None)


# -- the directory --

def test_entries_that_cannot_be_parsed_are_left_out(tmp_path):
    directory = sp.write_basic_project(tmp_path / "p")
    with open(os.path.join(directory, "Broken.arxml"), "w") as f:
        f.write("<AUTOSAR><AR-PACKAGES>")
    os.mkdir(os.path.join(directory, "Folder.arxml"))
    with open(os.path.join(directory, "Notes.txt"), "w") as f:
        f.write("not ARXML")
    with open(os.path.join(directory, "Upper.ARXML"), "w") as f:
        f.write("<AUTOSAR/>")
    project = _ProjectTypes(directory)
    assert sorted(project.skipped) == ["Broken.arxml", "Folder.arxml"]
    assert sorted(project.files) == ["Cabin.arxml", "DataTypes.arxml", "Interfaces.arxml"]
    assert typed(project.port("Cabin.arxml", "Cabin", "In_Tcu_Gear")) == sp.BASIC_EXPECTED["In_Tcu_Gear"]


def test_missing_directory_is_raised(tmp_path):
    with pytest.raises(FileNotFoundError):
        _ProjectTypes(str(tmp_path / "absent"))


def test_first_definition_of_a_path_is_kept(tmp_path):
    # two top-level packages of the same name in one file define the same path twice
    body = sp.packages(sp.package("T", [sp.value_type("Dup_T", compu="/C/First")]),
                       sp.package("T", [sp.value_type("Dup_T", compu="/C/Second")]),
                       sp.package("C", [sp.compu_method("First", ["1"]), sp.compu_method("Second", ["2"])]))
    project = _ProjectTypes(sp.write_project(tmp_path / "p", {"A.arxml": body}))
    assert project.data_type("/T/Dup_T")["text"] == "1"


def test_deeply_nested_packages_and_elements(tmp_path):
    depth = 300
    inner = sp.package("P%d" % depth, [sp.value_type("Deep_T")])
    for level in range(depth - 1, 0, -1):
        inner = sp.package("P%d" % level, subpackages=[inner])
    element = "<IMPLEMENTATION-DATA-TYPE-ELEMENT><SHORT-NAME>e</SHORT-NAME><CATEGORY>ARRAY</CATEGORY>" \
              "<ARRAY-SIZE>2</ARRAY-SIZE>%s</IMPLEMENTATION-DATA-TYPE-ELEMENT>"
    nested = "<SUB-ELEMENTS>%s</SUB-ELEMENTS>"
    body = ""
    for _ in range(40):
        body = nested % (element % body) if body else nested % (element % "")
    deep_array = ("<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>Deep_A</SHORT-NAME><CATEGORY>ARRAY</CATEGORY>%s"
                  "</IMPLEMENTATION-DATA-TYPE>" % body)
    project = _ProjectTypes(sp.write_project(tmp_path / "p", {
        "Deep.arxml": sp.packages(inner, sp.package("A", [deep_array]))}))
    path = "/" + "/".join("P%d" % level for level in range(1, depth + 1)) + "/Deep_T"
    assert project.data_type(path)["type"] == "Deep_T"
    # dimensions nested beyond what the index keeps leave the element unnamed: the array's own name
    assert typed(project.data_type("/A/Deep_A")) == ("Deep_A", "", None)


def test_names_and_references_are_trimmed(tmp_path):
    body = sp.packages(
        sp.package("If", ["<SENDER-RECEIVER-INTERFACE><SHORT-NAME>\n  If_A  \n</SHORT-NAME><DATA-ELEMENTS>"
                          "<VARIABLE-DATA-PROTOTYPE><SHORT-NAME>a</SHORT-NAME><TYPE-TREF>\n   /T/U8 \n</TYPE-TREF>"
                          "</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>"]),
        sp.package("T", [sp.value_type("U8")]))
    project = _ProjectTypes(sp.write_project(tmp_path / "p", {"A.arxml": body}))
    assert project.interface("/If/If_A")["type"] == "U8"


# -- real and generated projects --

def test_public_sample_project(shared_arxml_dir):
    project = _ProjectTypes(shared_arxml_dir)
    assert project.skipped == []
    # cogu's component, interface and platform files belong together: every sender-receiver port is typed
    for entry, component, port_name, provided in [
            ("ReceiverComponent.arxml", "ReceiverComponent", "EngineSpeed", False),
            ("ReceiverComponent.arxml", "ReceiverComponent", "VehicleSpeed", False),
            ("SenderComponent.arxml", "SenderComponent", "EngineSpeed", True),
            ("SenderComponent.arxml", "SenderComponent", "VehicleSpeed", True)]:
        assert typed(project.port(entry, component, port_name, provided)) == ("uint16", "", None)
    # a client-server port has no data element to type
    assert project.port("ReceiverComponent.arxml", "ReceiverComponent", "FreeRunningTimer") is None
    # this component's interfaces are in files that are not here
    assert project.port("CtApSwitchDecoder.arxml", "CtApSwitchDecoder", "PpLogSig", True) is None
    assert project.data_type("/AUTOSAR_Platform/ImplementationDataTypes/boolean")["text"] is None


def test_generated_split_corpus_is_typed_as_its_generator_made_it(tmp_path):
    paths = gen_corpus.generate(str(tmp_path / "corpus"), files=3, mb_per_file=0.05, seed=7, layout="split")
    directory = os.path.dirname(paths[0])
    project = _ProjectTypes(directory)
    tag = "{%s}%%s" % gen_corpus.NAMESPACE
    declared_types = {}
    for interface in ET.parse(os.path.join(directory, "PortInterfaces.arxml")).iter(tag % "SENDER-RECEIVER-INTERFACE"):
        declared_types[interface.find(tag % "SHORT-NAME").text] = \
            interface.find(".//" + tag % "TYPE-TREF").text.rsplit("/", 1)[1]
    checked = 0
    for path in paths[:-2]:
        entry = os.path.basename(path)
        [(component, _)] = project.components(entry)
        for kind, tref, provided in (("R-PORT-PROTOTYPE", "REQUIRED-INTERFACE-TREF", False),
                                     ("P-PORT-PROTOTYPE", "PROVIDED-INTERFACE-TREF", True)):
            for element in ET.parse(path).iter(tag % kind):
                name = element.find(tag % "SHORT-NAME").text
                declared = declared_types[element.find(tag % tref).text.rsplit("/", 1)[1]]
                result = project.port(entry, component, name, provided)
                assert result is not None and result["referenced"] == declared, name
                if declared.startswith("rt_Array_"):
                    element_type, size = declared[len("rt_Array_"):].rsplit("_", 1)
                    assert (result["type"], result["array"]) == (element_type, "[%s]" % size)
                else:
                    assert (result["type"], result["array"]) == (declared, "")
                checked += 1
    assert checked > 20


def test_long_lists_find_the_first_of_a_name_as_a_scan_would(tmp_path):
    # Interfaces of 16 elements or more and mapping sets of 16 maps or more are looked up by name.
    elements = [("e%d" % i, "/T/V%d" % (i % 20)) for i in range(30)] + [("e3", "/T/V19")]
    maps = [("/A/App%d" % i, "/T/V%d" % i) for i in range(20)] + [("/A/App5", "/T/V0")]
    project = one_file_project(
        tmp_path, types=[sp.value_type("V%d" % i) for i in range(20)], interfaces=[sp.sr_interface("If", elements)],
        extra=[sp.package("A", [sp.application_type("App%d" % i) for i in range(20)] + [sp.mapping_set("M", maps)])])
    for data_element, expected in [("/If/If/e17", "V17"), ("elsewhere/e3", "V3"), ("/If/If/e25", "V5"),
                                   ("/If/If/none", "V0"), ("", "V0")]:
        assert project.interface("/If/If", data_element)["type"] == expected, data_element
    assert project.data_type("/A/App5", ["/A/M"])["type"] == "V5"
    assert project.data_type("/A/App19", ["/A/M"])["type"] == "V19"


@pytest.mark.parametrize("links, named", [(60, "R0"), (70, "R0")])
def test_a_type_reference_chain_longer_than_any_real_one_is_taken_for_a_circle(tmp_path, links, named):
    chain = [sp.reference_type("R%d" % i, "/T/R%d" % (i + 1)) for i in range(links)] + \
        [sp.value_type("R%d" % links, compu="/C/Lit")]
    project = one_file_project(tmp_path, types=chain, compu=[sp.compu_method("Lit", ["Off", "On"])])
    typed_as = typed(project.data_type("/T/R0"))
    # 64 types at most: a chain of 61 reaches its literals, one of 71 is named by its reference alone
    assert typed_as == ((named, "", "Off;On") if links < 64 else (named, "", None))
