"""The join reads the binding's own elements natively (Pellinor._native_paths); switched off, it reads
them by attribute lookups. Both ways must give the same records, failures and type tables."""
import glob
import os
import subprocess
import sys

import pytest
from hypothesis import given

import Velvane.Pellinor as pellinor_module
from Omdra.Corvenna import AUTOSAR_00048
from Velvane.Pellinor import Pellinor
from conftest import EXAMPLES, REPO, shared_arxml_files
from pellinor_doubles import DATA_ARRAY
from test_property_arxml import arxml_trees, examples, serialise

TABLES = ("structValDict", "arrayValList", "enumValList", "enumDict")


def with_native(native, run):
    """run() with the native reading switched on or off, against empty process-wide type tables."""
    saved = dict((name, getattr(Pellinor, name)) for name in TABLES)
    for name in TABLES:
        setattr(Pellinor, name, type(saved[name])())
    pellinor_module._native_paths = native
    try:
        outcome = run()
        return outcome, dict((name, getattr(Pellinor, name)) for name in TABLES)
    finally:
        pellinor_module._native_paths = True
        for name in TABLES:
            setattr(Pellinor, name, saved[name])


def read(path):
    analyser = Pellinor()
    analyser.modelName = ""
    try:
        return analyser.readArxml(path, DATA_ARRAY), analyser.modelName
    except Exception as error:
        return type(error), str(error)


def assert_same_both_ways(run):
    native = with_native(True, run)
    assert native == with_native(False, run)
    return native


@pytest.fixture(scope="module")
def generated(tmp_path_factory):
    folder = str(tmp_path_factory.mktemp("corpus"))
    subprocess.check_call([sys.executable, os.path.join(REPO, "tools", "gen_corpus.py"), "--files", "2",
                           "--ports", "40", "--layout", "mixed", folder])
    return sorted(glob.glob(os.path.join(folder, "**", "*.arxml"), recursive=True))


def test_files_read_the_same_both_ways(generated):
    paths = sorted(glob.glob(os.path.join(EXAMPLES, "**", "*.arxml"), recursive=True))
    paths += shared_arxml_files() + generated
    assert pellinor_module._native_paths is True
    for path in paths:
        (results, _), _ = assert_same_both_ways(lambda: read(path))
        assert not isinstance(results, type), (path, results)


@examples(40)
@given(tree=arxml_trees())
def test_random_documents_read_the_same_both_ways(tmp_path_factory, tree):
    path = os.path.join(str(tmp_path_factory.getbasetemp()), "Random.arxml")
    with open(path, "w", encoding="utf-8", newline="") as handle:
        handle.write(serialise(tree))
    assert_same_both_ways(lambda: read(path))


# Keys whose steps read something other than a child or the text: XML attributes, valueOf_, names of
# the element object itself, names nothing has; each on its own, since some end the join.
ODD_KEYS = ["SHORT-NAME", "UUID", "SHORT-NAME\nvalueOf_", "valueOf_", "valueOf_\nupper", "CATEGORY\nNOTHING",
            "__class__", "__class__\n__name__", "NOTHING", "SHORT-NAME\nNOTHING", "SHORT-NAME\nvalueOf_\nx",
            "ELEMENTS", "ELEMENTS\nSENDER-RECEIVER-INTERFACE\nDATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nUUID",
            "ELEMENTS\nSENDER-RECEIVER-INTERFACE\nDATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\nTYPE-TREF\nDEST"]


def test_odd_keys_give_the_same_cells_both_ways():
    root = AUTOSAR_00048.parse(os.path.join(EXAMPLES, "WiperControl.arxml"))
    packages = root.AR_PACKAGES.AR_PACKAGE
    data = packages + [e for p in packages if p.ELEMENTS
                       for kind in ("SENDER_RECEIVER_INTERFACE", "APPLICATION_SW_COMPONENT_TYPE")
                       for e in getattr(p.ELEMENTS, kind)]
    full = 0
    for key in ODD_KEYS:
        keys = ["SWC-NAME", "SHORT-NAME", key]
        records, _ = assert_same_both_ways(lambda: Pellinor().getArray(keys, data))
        full += len(records) == len(data)
    assert 0 < full < len(ODD_KEYS)


def test_odd_type_definitions_and_look_alike_texts_read_the_same_both_ways(write_arxml):
    from pellinor_doubles import (base_type, compu_method, component, data_type, interface, package,
                                       packages, props)
    # Names alike in length, head and tail, which differ only in their middle, beside texts that are not
    # ASCII or come in pieces; types whose reads end early, where the lookups read None or "" or skip.
    alike = ["Sig_%s_Value_Status" % c for c in "ABCDEFGH"] * 2 + [u"Sig_\u00c4_Value_Status", u"Sig_\u00c4_Value_Status"]
    spelled = alike + ["Sig_<!-- a -->AB_Status", "Sig_&#xD800;_Status"]
    odd_types = "".join([
        data_type("Rec", "STRUCTURE", members=[("a", props("IMPLEMENTATION-DATA-TYPE-REF", "/T/uint8")),
                                               ("b", props("BASE-TYPE-REF", "noslash")), ("c", None)]),
        data_type("NoMembers", "STRUCTURE", members=[]),
        "<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>Pieces</SHORT-NAME><CATEGORY>VAL<!-- c -->UE</CATEGORY>"
        "</IMPLEMENTATION-DATA-TYPE>",
        data_type("Arr", "ARRAY", members=[("x", None), ("", None), ("x", None)]),
        data_type("EmptyRef", "VALUE", base=""),
        data_type("NoProps", "VALUE", base=None),
        data_type("", "VALUE"),
    ])
    methods = compu_method("E_t", ["On", "", "Off"]) + compu_method("Empty_t", [])
    body = packages(package("P", component("Swc", rports=spelled, pports=spelled) + methods
                            + "".join(interface(n) for n in alike[:8]),
                            subs=package("T", odd_types + base_type("uint8"))))
    (results, _), tables = assert_same_both_ways(lambda: read(write_arxml(body)))
    assert [r[1] for r in results[1]] == alike + ["Sig_AB_Status", u"Sig_\ufffd\ufffd\ufffd_Status"]
    assert tables["structValDict"]["Rec"][5] == "uint8;noslash;;&a;b;c;"
    assert tables["enumDict"]["EmptyRef"] is None and "NoProps" not in tables["enumDict"]
    assert tables["enumValList"]["E_t"] == [[0, "On"], [1, None], [2, "Off"]]
    # Definitions whose reads fail end the analysis the same way both ways.
    for failing in [data_type("Nameless", "STRUCTURE", members=[("", None)]),
                    "<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>Bare</SHORT-NAME><CATEGORY>STRUCTURE</CATEGORY>"
                    "</IMPLEMENTATION-DATA-TYPE>",
                    "<COMPU-METHOD><SHORT-NAME>NoScales</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY></COMPU-METHOD>"]:
        body = packages(package("P", component("Swc", rports=alike[:1]) + failing, subs=package("T", failing)))
        (results, _), _ = assert_same_both_ways(lambda: read(write_arxml(body)))
        assert results in (TypeError, AttributeError)
