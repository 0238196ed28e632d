"""Random ARXML documents, built from the schema's element types, through the analyser and the loader.

The documents follow the element types of schema revision 00048 from the AUTOSAR root down the parts
the analyser reads (packages, components, ports and their com specs, runnables, interfaces, data
types, base types, compu methods), with children left out or repeated, stray children of other kinds,
mixed content and odd texts. Every document is well-formed XML. Whatever it holds, readArxml and load
end in a result or a Python exception: never a crash, a hang, or an error the C API reports as
SystemError."""
import faulthandler
import os
import re
import shutil
import tempfile
import xml.etree.ElementTree as ET
from datetime import timedelta

import openpyxl
import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import Velvane.Tessaly as tessaly_module
from Velvane.Pellinor import Pellinor
from Velvane.Tessaly import Tessaly

from conftest import REPO

SCHEMA_TSV = os.path.normpath(os.path.join(REPO, "..", "shared", "schema", "AUTOSAR_00048.tsv"))
SCHEMA_CPP = os.path.join(REPO, "src", "core", "arxml", "schema_table.cpp")
SANITIZED = os.environ.get("VELVANE_SANITIZED") == "1"
HANG_SECONDS = 120  # one example taking this long is a hang: the process is stopped with a traceback


class Schema(object):
    """children[type] = [(tag, child type, many)]; text_types: types whose content carries text."""

    def __init__(self, children, text_types, root_type):
        self.children = children
        self.text_types = text_types
        self.root_type = root_type


def schema_from_table(path):
    children, text_types, root_type = {}, set(), None
    with open(path, encoding="utf-8") as table:
        for line in table:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "# root":
                root_type = int(fields[2])
            elif fields[0] == "#T":
                text_types.add(int(fields[1]))
            elif not fields[0].startswith("#"):
                children.setdefault(int(fields[0]), []).append((fields[1], int(fields[2]), fields[3] == "1"))
    return Schema(children, text_types, root_type)


def schema_from_generated_source(path):
    """The same facts from the C++ table the build compiles (kTags, kRows, kTypeFirstRow, kTextMode)."""
    with open(path, encoding="utf-8") as source:
        text = source.read()

    def array(name):
        return re.search(r"\b%s\[\] = \{(.*?)\n\};" % name, text, re.S).group(1)
    tags = re.findall(r'"([^"]+)"', array("kTags"))
    rows = [tuple(int(n) for n in row) for row in re.findall(r"\{(\d+), (\d+), (\d+)\}", array("kRows"))]
    first_rows = [int(n) for n in re.findall(r"\d+", array("kTypeFirstRow"))]
    modes = [int(n) for n in re.findall(r"\d+", array("kTextMode"))]
    children = {}
    for type_id in range(len(first_rows) - 1):
        for tag, child, many in rows[first_rows[type_id]:first_rows[type_id + 1]]:
            children.setdefault(type_id, []).append((tags[tag], child, many == 1))
    root_type = int(re.search(r"kRootType = (\d+);", text).group(1))
    return Schema(children, set(t for t, mode in enumerate(modes) if mode), root_type)


def load_schema():
    if os.path.exists(SCHEMA_TSV):
        return schema_from_table(SCHEMA_TSV)
    if os.path.exists(SCHEMA_CPP):
        return schema_from_generated_source(SCHEMA_CPP)
    return None


SCHEMA = load_schema()
pytestmark = pytest.mark.skipif(SCHEMA is None, reason="neither the schema table nor its generated source "
                                                       "is present")

# The tags on the paths the analyser and the loader read; documents are grown along these.
FOCUS = frozenset("""
    AR-PACKAGES AR-PACKAGE SHORT-NAME CATEGORY ELEMENTS APPLICATION-SW-COMPONENT-TYPE PORTS
    R-PORT-PROTOTYPE P-PORT-PROTOTYPE REQUIRED-COM-SPECS PROVIDED-COM-SPECS NONQUEUED-RECEIVER-COM-SPEC
    NONQUEUED-SENDER-COM-SPEC DATA-ELEMENT-REF HANDLE-OUT-OF-RANGE USES-END-TO-END-PROTECTION ALIVE-TIMEOUT
    ENABLE-UPDATE HANDLE-NEVER-RECEIVED HANDLE-TIMEOUT-TYPE INIT-VALUE APPLICATION-VALUE-SPECIFICATION
    SHORT-LABEL SW-VALUE-CONT UNIT-REF SW-VALUES-PHYS V REQUIRED-INTERFACE-TREF PROVIDED-INTERFACE-TREF
    INTERNAL-BEHAVIORS SWC-INTERNAL-BEHAVIOR RUNNABLES RUNNABLE-ENTITY DATA-RECEIVE-POINT-BY-ARGUMENTS
    DATA-SEND-POINTS VARIABLE-ACCESS ACCESSED-VARIABLE AUTOSAR-VARIABLE-IREF PORT-PROTOTYPE-REF
    TARGET-DATA-PROTOTYPE-REF SENDER-RECEIVER-INTERFACE IS-SERVICE DATA-ELEMENTS VARIABLE-DATA-PROTOTYPE
    SW-DATA-DEF-PROPS SW-DATA-DEF-PROPS-VARIANTS SW-DATA-DEF-PROPS-CONDITIONAL SW-CALIBRATION-ACCESS
    SW-IMPL-POLICY TYPE-TREF IMPLEMENTATION-DATA-TYPE SUB-ELEMENTS IMPLEMENTATION-DATA-TYPE-ELEMENT
    IMPLEMENTATION-DATA-TYPE-REF BASE-TYPE-REF COMPU-METHOD-REF SW-BASE-TYPE BASE-TYPE-SIZE
    BASE-TYPE-ENCODING NATIVE-DECLARATION COMPU-METHOD COMPU-INTERNAL-TO-PHYS COMPU-SCALES COMPU-SCALE
    COMPU-CONST VT
""".split())
MAX_DEPTH = 16
MAX_ELEMENTS = 400
MAX_PACKAGE_LEVELS = 3

# Text that is valid anywhere in XML 1.0 character data (ElementTree escapes &, < and >).
XML_CHARACTERS = st.one_of(
    st.characters(min_codepoint=0x20, max_codepoint=0x7E),
    st.characters(min_codepoint=0xA0, max_codepoint=0xD7FF),
    st.sampled_from(u"\t\n\r<>&\"';=/_-\ue000\ufffd\U0001F600\U0010FFFD"),
)
ODD_TEXTS = [
    u"", u" ", u" \n\t ", u"=1+1", u"+SUM(A1:A2)", u"@x", u"-1", u"http://x", u"mailto:a@b", u"<&>\"'", u"]]>",
    u"&amp;", u"x" * 5000, u"y" * 40000, u"Tür 温度 😀", u"_Model", u".arxml", u"rt_Array_", u"a;b;&c;",
    u"/", u"//", u"/Pkg/", u"boolean", u"_x0041_", u"\u202eevil",
]
NAMES = [u"In_A", u"Out_B", u"In_Brake_Speed", u"If_C", u"Swc", u"Pkg", u"UInt8", u"rt_Array_UInt8_4",
         u"RT_ARRAY_X_2", u"Smart_Array_Mode", u"Rec_s", u"E_t", u"COMPU_E_t", u"Bool_boolean", u"Prop_TPMS"]
CATEGORIES = [u"STRUCTURE", u"ARRAY", u"VALUE", u"TEXTTABLE", u"TYPE_REFERENCE", u"structure", u"IDENTICAL"]


def text_for(tag):
    odd = st.one_of(st.sampled_from(ODD_TEXTS), st.text(XML_CHARACTERS, max_size=30))
    if tag == "SHORT-NAME":
        return st.one_of(st.sampled_from(NAMES), odd)
    if tag == "CATEGORY":
        return st.one_of(st.sampled_from(CATEGORIES), odd)
    if tag.endswith("-REF") or tag.endswith("-TREF"):
        return st.one_of(st.sampled_from([u"/Pkg/" + n for n in NAMES] + NAMES), odd)
    if tag == "VT":
        return st.one_of(st.sampled_from([u"OFF", u"ON", u"=1+1", u"http://x"]), odd)
    return odd


ONCE_ONLY_COUNTS = st.sampled_from([1, 0, 1, 0, 1, 2])
MAYBE_TEXT = st.one_of(st.none(), st.sampled_from([u" ", u"stray", u"=1", u"\n"]))


@st.composite
def arxml_trees(draw):
    """An ElementTree root: AUTOSAR with a random tree below it, grown along FOCUS tags."""
    budget = [MAX_ELEMENTS]
    root = ET.Element("AUTOSAR", {"xmlns": "http://autosar.org/schema/r4.0"})
    grow(draw, root, SCHEMA.root_type, 1, 0, budget)
    return root


def grow(draw, element, type_id, depth, package_levels, budget):
    if type_id in SCHEMA.text_types:
        element.text = draw(text_for(element.tag))
    allowed = SCHEMA.children.get(type_id, [])
    if depth >= MAX_DEPTH or not allowed:
        return
    for tag, child_type, many in allowed:
        if tag not in FOCUS:
            continue
        levels = package_levels + (tag == "AR-PACKAGE")
        if levels > MAX_PACKAGE_LEVELS:
            continue
        # Missing, once, a few times, or (rarely) twice where the schema allows it once only.
        count = draw(st.integers(0, 2)) if many else draw(ONCE_ONLY_COUNTS)
        for _ in range(count):
            if budget[0] <= 0:
                return
            budget[0] -= 1
            child = ET.SubElement(element, tag)
            grow(draw, child, child_type, depth + 1, levels, budget)
            child.tail = draw(MAYBE_TEXT)   # text between children: mixed content
    if draw(st.integers(0, 4)) == 0:      # now and then a child of some other kind
        tag, child_type, _ = draw(st.sampled_from(allowed))
        stray = ET.SubElement(element, tag)
        if child_type in SCHEMA.text_types:
            stray.text = draw(text_for(tag))
    if draw(st.integers(0, 9)) == 0:      # and a comment or a processing instruction among the children
        position = draw(st.integers(0, len(element)))
        aside = draw(st.sampled_from([ET.Comment(u" note "), ET.ProcessingInstruction(u"tool", u"x=1")]))
        element.insert(position, aside)
        element[position].tail = draw(MAYBE_TEXT)


def serialise(root):
    return u'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="unicode")


def key_lists():
    return [getattr(tessaly_module, "table%dList" % i) for i in range(1, 10)]


# Cells per record of each result: interfaces (table6List), R-ports, P-ports, variable accesses,
# base types (table5List), implementation data types (table4List).
RECORD_LENGTHS = (9, 16, 12, 5, 7, 6)


def analyse(path):
    """("ok", results, model name) or ("error", exception type, message) for a new analyser."""
    analyser = Pellinor()
    analyser.modelName = ""
    try:
        results = analyser.readArxml(path, key_lists())
    except Exception as error:
        assert not isinstance(error, SystemError), error
        return ("error", type(error), str(error))
    return ("ok", results, analyser.modelName)


def check_results(results, model_name):
    assert type(results) is tuple and len(results) == 6
    for records, length in zip(results, RECORD_LENGTHS):
        assert isinstance(records, list)
        for record in records:
            assert len(record) == length
            assert all(cell is None or isinstance(cell, str) for cell in record)
            assert record[0] == model_name and record[-1] == ""
    for ports in results[1:3]:
        assert all(record[2] == "" for record in ports)


class Watchdog(object):
    """Ends the process with every thread's traceback when one example runs into a hang."""

    def __enter__(self):
        faulthandler.dump_traceback_later(HANG_SECONDS * (10 if SANITIZED else 1), exit=True)

    def __exit__(self, *exc):
        faulthandler.cancel_dump_traceback_later()


def examples(count):
    # VELVANE_PROPERTY_SCALE=20 (say) makes a longer hunt than the suite's quick pass.
    count = int(count * float(os.environ.get("VELVANE_PROPERTY_SCALE", "1")))
    return settings(
        max_examples=max(5, count // 4) if SANITIZED else count,
        deadline=None if SANITIZED else timedelta(seconds=5),
        database=None,
        suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large, HealthCheck.large_base_example],
    )


@pytest.fixture(scope="module")
def scratch(tmp_path_factory):
    return str(tmp_path_factory.mktemp("property"))


@examples(100)
@given(tree=arxml_trees())
def test_read_arxml_gives_records_or_an_exception(scratch, tree):
    text = serialise(tree)
    ET.fromstring(text.encode("utf-8"))   # the generator's promise: well-formed
    path = os.path.join(scratch, "Random.arxml")
    with open(path, "w", encoding="utf-8", newline="") as handle:
        handle.write(text)
    with Watchdog():
        first = analyse(path)
        again = analyse(path)
    if first[0] == "ok":
        check_results(first[1], first[2])
    # A new analyser on the same file gets the same records, or the same failure.
    assert again == first


def encoded(text, codec):
    """(the text as UTF-8, the same document in `codec`): two files that must read alike."""
    if codec == "crlf":
        plain = text.replace(u"\r", u"")
        return plain.encode("utf-8"), plain.replace(u"\n", u"\r\n").encode("utf-8")
    if codec == "utf-8-sig":
        return text.encode("utf-8"), text.encode("utf-8-sig")
    declared = text.replace(u'encoding="UTF-8"', u'encoding="UTF-16"', 1)
    if codec == "utf-16":
        return text.encode("utf-8"), declared.encode("utf-16")
    return text.encode("utf-8"), b"\xfe\xff" + declared.encode("utf-16-be")


@examples(60)
@given(tree=arxml_trees(), codec=st.sampled_from(["utf-8-sig", "utf-16", "utf-16-be-bom", "crlf"]))
def test_encodings_and_line_ends_do_not_change_the_records(scratch, tree, codec):
    paths = [os.path.join(scratch, name) for name in ("Plain.arxml", "Coded.arxml")]
    for path, data in zip(paths, encoded(serialise(tree), codec)):
        with open(path, "wb") as handle:
            handle.write(data)
    with Watchdog():
        expected, seen = [analyse(path) for path in paths]
    if expected[0] == "error":
        assert seen[0] == "error" and seen[1] is expected[1]
    else:
        assert seen == expected


FILE_NAMES = [u"A.arxml", u"B_Model.arxml", u"=1+1.arxml", u"TPMS_x.arxml", u"Tür温度.arxml",
              u"%s.arxml" % (u"L" * 200), u"A.arxml.arxml", u".arxml"]
PREVIOUS = b"workbook of an earlier run"


@examples(40)
@given(trees=st.lists(arxml_trees(), min_size=1, max_size=3),
       names=st.lists(st.sampled_from(FILE_NAMES), min_size=3, max_size=3, unique=True))
def test_load_writes_a_whole_workbook_or_leaves_the_old_one(scratch, trees, names):
    work = tempfile.mkdtemp(dir=scratch)
    source = os.path.join(work, "models")
    os.mkdir(source)
    for tree, name in zip(trees, names):
        with open(os.path.join(source, name), "w", encoding="utf-8") as handle:
            handle.write(serialise(tree))
    output = os.path.join(work, "SignalList.xlsx")
    with open(output, "wb") as handle:
        handle.write(PREVIOUS)
    here = os.getcwd()
    os.chdir(work)
    try:
        with Watchdog():
            Tessaly().load(source)
    except Exception as error:
        assert not isinstance(error, SystemError), error
        with open(output, "rb") as handle:
            assert handle.read() == PREVIOUS
    else:
        book = openpyxl.load_workbook(output)
        assert len(book.sheetnames) == len(trees)
        for sheet in book.worksheets:
            assert sheet["A1"].value == "No."
    finally:
        os.chdir(here)
        shutil.rmtree(work)
