"""The process-wide type tables on model doubles. The tables are never emptied, so every test uses
names of its own."""
import itertools

import pytest

from Velvane.Pellinor import Pellinor
from pellinor_doubles import Node, text

_serial = itertools.count()


def unique(name):
    return "%s_%d" % (name, next(_serial))


def conditional(**refs):
    cond = Node(IMPLEMENTATION_DATA_TYPE_REF=None, BASE_TYPE_REF=None)
    cond.__dict__.update((k, text(v)) for k, v in refs.items())
    return Node(SW_DATA_DEF_PROPS_VARIANTS=Node(SW_DATA_DEF_PROPS_CONDITIONAL=[cond]))


def member(name, props):
    return Node(SHORT_NAME=text(name), SW_DATA_DEF_PROPS=props)


def data_type(name, category, members=None, props=None):
    sub = None if members is None else Node(IMPLEMENTATION_DATA_TYPE_ELEMENT=members)
    return Node(SHORT_NAME=text(name), CATEGORY=None if category is None else text(category),
                SUB_ELEMENTS=sub, SW_DATA_DEF_PROPS=props)


def compu_method(name, literals, category="TEXTTABLE"):
    scales = [Node(COMPU_CONST=Node(VT=text(v))) for v in literals]
    return Node(SHORT_NAME=text(name), CATEGORY=text(category),
                COMPU_INTERNAL_TO_PHYS=Node(COMPU_SCALES=Node(COMPU_SCALE=scales)))


@pytest.mark.parametrize("members, member_text", [
    ([member("a", conditional(IMPLEMENTATION_DATA_TYPE_REF="/T/uint8")),
      member("b", conditional(IMPLEMENTATION_DATA_TYPE_REF="/T/Rec"))], "uint8;Rec;&a;b;"),
    ([], ";&;"),
    ([member("a", conditional(IMPLEMENTATION_DATA_TYPE_REF="uint8"))], "uint8;&a;"),
    ([member("a", conditional(IMPLEMENTATION_DATA_TYPE_REF="/T/"))], ";&a;"),
    # Members typed by a base type, or by nothing the table can name.
    ([member("a", conditional(BASE_TYPE_REF="/Base/sint16")), member("b", None)], "sint16;;&a;b;"),
    ([member("a", conditional(BASE_TYPE_REF="/B/x", IMPLEMENTATION_DATA_TYPE_REF="/T/y"))], "y;&a;"),
    ([member("a", Node(SW_DATA_DEF_PROPS_VARIANTS=None))], ";&a;"),
])
def test_structure_records(members, member_text):
    name = unique("Rec")
    Pellinor().set_structDict([data_type(name, "STRUCTURE", members)])
    assert Pellinor.structValDict[name] == ["", name, "", "STRUCTURE", "", member_text, "", ""]


@pytest.mark.parametrize("broken", [
    data_type("x", "STRUCTURE"),                                                   # no SUB-ELEMENTS
    data_type("x", "STRUCTURE", [member("a", conditional(BASE_TYPE_REF=None))]),   # reference without text
    data_type("x", "STRUCTURE", [member(None, None)]),                              # name without text
])
def test_structure_failures_reach_the_caller_and_keep_earlier_entries(broken):
    before, after = unique("Before"), unique("After")
    data = [data_type(before, "STRUCTURE", []), broken, data_type(after, "STRUCTURE", [])]
    with pytest.raises((AttributeError, TypeError)):
        Pellinor().set_structDict(dataList=data)
    assert before in Pellinor.structValDict and after not in Pellinor.structValDict


@pytest.mark.parametrize("method", ["set_structDict", "set_ArrayList", "set_enumDcit", "setEnum"])
def test_objects_without_category_or_of_another_case_are_skipped(method):
    name = unique("Skipped")
    data = [data_type(name, None), data_type(name, "structure", []), data_type(name, "Array", []),
            data_type(name, "value"), compu_method(name, ["A"], category="TextTable")]
    assert getattr(Pellinor(), method)(data) is None
    for table in ("structValDict", "enumDict", "enumValList"):
        assert name not in getattr(Pellinor, table)


def test_tables_accumulate_across_analysers():
    first, second, shared = unique("First"), unique("Second"), unique("Shared")
    Pellinor().set_structDict([data_type(first, "STRUCTURE", []), data_type(shared, "STRUCTURE", [])])
    Pellinor().set_structDict([data_type(shared, "STRUCTURE", [member("m", None)]),
                               data_type(second, "STRUCTURE", [])])
    keys = list(Pellinor.structValDict)
    assert keys.index(first) < keys.index(shared) < keys.index(second)
    assert Pellinor.structValDict[shared][5] == ";&m;"

    element_a, element_b = unique("el"), unique("el")
    for names in ([element_a, element_b], [element_b, element_a]):
        members = [member(n, None) for n in names]
        Pellinor().set_ArrayList([data_type(unique("Arr"), "ARRAY", members)] * 2)
    assert Pellinor.arrayValList.count(element_a) == Pellinor.arrayValList.count(element_b) == 1
    assert Pellinor.arrayValList.index(element_a) < Pellinor.arrayValList.index(element_b)


def test_value_types_skip_what_fails():
    good, boolean, bare = unique("Speed"), unique("my_BooLean_t"), unique("NoProps")
    props = conditional(BASE_TYPE_REF="/Base/uint16")
    Pellinor().set_enumDcit([data_type(bare, "VALUE"), data_type(boolean, "VALUE", props=props),
                             data_type(good, "VALUE", props=props), data_type(unique("N"), "VALUE", props=props)])
    assert Pellinor.enumDict[good] == "/Base/uint16"
    assert bare not in Pellinor.enumDict and boolean not in Pellinor.enumDict


def test_enumerations():
    names = [unique("Gear"), unique("Empty"), unique("xBOOLEANx"), unique("NoText")]
    Pellinor().setEnum([compu_method(names[0], ["P", "R", "N"]), compu_method(names[1], []),
                        compu_method(names[2], ["F", "T"]), compu_method(names[3], [None])])
    assert Pellinor.enumValList[names[0]] == [[0, "P"], [1, "R"], [2, "N"]]
    assert Pellinor.enumValList[names[1]] == []
    assert names[2] not in Pellinor.enumValList
    assert Pellinor.enumValList[names[3]] == [[0, None]]


@pytest.mark.parametrize("broken", [
    Node(SHORT_NAME=text(None), CATEGORY=text("TEXTTABLE")),
    Node(SHORT_NAME=text("x"), CATEGORY=text("TEXTTABLE"), COMPU_INTERNAL_TO_PHYS=None),
    Node(SHORT_NAME=text("x"), CATEGORY=text("TEXTTABLE"),
         COMPU_INTERNAL_TO_PHYS=Node(COMPU_SCALES=Node(COMPU_SCALE=[Node(COMPU_CONST=None)]))),
])
def test_enumeration_failures_reach_the_caller(broken):
    with pytest.raises(AttributeError):
        Pellinor().setEnum([broken])


def test_many_array_element_names_each_once_in_first_seen_order():
    # Past 64 names the list is answered from a set: the same list as a scan would give, also when a
    # host replaces the list between calls.
    names = [unique("many") for _ in range(150)]
    arrays = [data_type(unique("Arr"), "ARRAY", [member(n, None) for n in names[i:i + 3]]) for i in range(0, 150, 2)]
    Pellinor().set_ArrayList(arrays + arrays[::-1])
    assert [n for n in Pellinor.arrayValList if n in names] == names
    saved = Pellinor.arrayValList
    try:
        Pellinor.arrayValList = list(names[:100])
        Pellinor().set_ArrayList(arrays)
        assert Pellinor.arrayValList == names
    finally:
        Pellinor.arrayValList = saved
