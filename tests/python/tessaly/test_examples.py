"""The bundled example models and the synthetic corpus: well-formed, schema-plausible ARXML whose
references resolve and in which the analyser finds a component, its interfaces and their types."""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET

import pytest

from conftest import REPO

EXAMPLES = sorted(glob.glob(os.path.join(REPO, "examples", "*.arxml")))
SCHEMA_TSV = os.path.normpath(os.path.join(REPO, "..", "shared", "schema", "AUTOSAR_00048.tsv"))
NS = "{http://autosar.org/schema/r4.0}"

sys.path.insert(0, os.path.join(REPO, "tools"))
import gen_corpus  # noqa: E402


def tag(e):
    return e.tag[len(NS):] if e.tag.startswith(NS) else e.tag


def kids(e, name):
    return [c for c in e if tag(c) == name]


def kid(e, path):
    """The first element down a "/"-separated tag path, or None."""
    for name in path.split("/"):
        if e is None:
            return None
        found = kids(e, name)
        e = found[0] if found else None
    return e


def text(e, path):
    found = kid(e, path)
    return None if found is None else (found.text or "")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def parse(path):
    data = read(path)
    data.decode("utf-8")
    return ET.fromstring(data)


# ---- schema: every child allowed where it stands, children that occur once not repeated ----

_schema = {}


def schema():
    if not os.path.isfile(SCHEMA_TSV):
        pytest.skip("the schema table (../shared/schema) is not present")
    if not _schema:
        children = {}
        with open(SCHEMA_TSV, encoding="utf-8") as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if line.startswith("# root"):
                    _schema["root"] = int(parts[2])
                elif not line.startswith("#") and len(parts) == 4:
                    children.setdefault(int(parts[0]), {})[parts[1]] = (int(parts[2]), parts[3] == "1")
        _schema["children"] = children
    return _schema


def schema_problems(root):
    table = schema()
    problems = []

    def visit(e, type_id, where):
        allowed = table["children"].get(type_id, {})
        seen = {}
        for c in e:
            name = tag(c)
            if name not in allowed:
                problems.append("%s: %s not allowed" % (where, name))
                continue
            seen[name] = seen.get(name, 0) + 1
            child_type, many = allowed[name]
            if seen[name] == 2 and not many:
                problems.append("%s: %s repeated" % (where, name))
            visit(c, child_type, where + "/" + name)

    visit(root, table["root"], "AUTOSAR")
    return problems


# ---- references: every DEST reference names an element of that kind in the same file set ----

def index_paths(roots):
    index = {}

    def visit(e, prefix):
        name = text(e, "SHORT-NAME")
        if name:
            prefix = prefix + "/" + name
            index[prefix] = tag(e)
        for c in e:
            visit(c, prefix)

    for r in roots:
        visit(r, "")
    return index


def unresolved_references(roots):
    index = index_paths(roots)
    bad = []
    for r in roots:
        for e in r.iter():
            dest = e.get("DEST")
            if dest is not None and index.get(e.text) != dest:
                bad.append("%s -> %s (%s)" % (tag(e), e.text, dest))
    return bad


# ---- what the analyser reads from a file laid out with everything in one top-level package ----

def type_kind(types, compu, name):
    """Kind of an implementation data type as the signal list shows it; asserts what it needs."""
    t = types[name]
    category = text(t, "CATEGORY")
    if category == "ARRAY":
        m = re.match(r"rt_Array_(.+)_(\d+)$", name)
        assert m, name
        element = kids(kid(t, "SUB-ELEMENTS"), "IMPLEMENTATION-DATA-TYPE-ELEMENT")
        assert len(element) == 1 and text(element[0], "ARRAY-SIZE") == m.group(2)
        element_ref = text(element[0], "SW-DATA-DEF-PROPS/SW-DATA-DEF-PROPS-VARIANTS/"
                                       "SW-DATA-DEF-PROPS-CONDITIONAL/IMPLEMENTATION-DATA-TYPE-REF")
        assert element_ref.rsplit("/", 1)[-1] == m.group(1), name
        return "array"
    if category == "STRUCTURE":
        for member in kids(kid(t, "SUB-ELEMENTS"), "IMPLEMENTATION-DATA-TYPE-ELEMENT"):
            assert text(member, "SHORT-NAME")
            assert text(member, "SW-DATA-DEF-PROPS/SW-DATA-DEF-PROPS-VARIANTS/"
                                "SW-DATA-DEF-PROPS-CONDITIONAL/IMPLEMENTATION-DATA-TYPE-REF"), (name, member)
        return "struct"
    assert category == "VALUE", (name, category)
    assert text(t, "SW-DATA-DEF-PROPS/SW-DATA-DEF-PROPS-VARIANTS/SW-DATA-DEF-PROPS-CONDITIONAL/BASE-TYPE-REF")
    method = compu.get("COMPU_" + name)
    if method is not None and text(method, "CATEGORY") == "TEXTTABLE":
        scales = kids(kid(method, "COMPU-INTERNAL-TO-PHYS/COMPU-SCALES"), "COMPU-SCALE")
        assert scales and all(text(s, "COMPU-CONST/VT") for s in scales), name
        return "enum"
    return "value"


def first_nonempty_in_subpackages(top, element_tag):
    """The list the package walk takes: the first sub-package's ELEMENTS list that is not empty, the
    sub-packages before it all having ELEMENTS."""
    for sub in kids(kid(top, "AR-PACKAGES"), "AR-PACKAGE"):
        elements = kid(sub, "ELEMENTS")
        assert elements is not None, "sub-package %s without ELEMENTS" % text(sub, "SHORT-NAME")
        found = kids(elements, element_tag)
        if found:
            return found
    return []


def analyser_view(root):
    """{direction: set of kinds} of the component's ports, asserting on the way everything the
    analyser needs to fill the signal list."""
    top = kids(kid(root, "AR-PACKAGES"), "AR-PACKAGE")[0]
    elements = kid(top, "ELEMENTS")
    component = kids(elements, "APPLICATION-SW-COMPONENT-TYPE")[0]
    assert kid(component, "INTERNAL-BEHAVIORS/SWC-INTERNAL-BEHAVIOR") is not None
    interfaces = dict((text(i, "SHORT-NAME"), i) for i in kids(elements, "SENDER-RECEIVER-INTERFACE"))
    compu = dict((text(c, "SHORT-NAME"), c) for c in kids(elements, "COMPU-METHOD"))
    assert first_nonempty_in_subpackages(top, "SW-BASE-TYPE")
    types = dict((text(t, "SHORT-NAME"), t)
                 for t in first_nonempty_in_subpackages(top, "IMPLEMENTATION-DATA-TYPE"))
    for t in list(types.values()) + list(compu.values()):
        assert text(t, "CATEGORY"), text(t, "SHORT-NAME")
    kinds = {}
    for direction in ("R", "P"):
        ports = kids(kid(component, "PORTS"), direction + "-PORT-PROTOTYPE")
        assert ports, "no %s ports" % direction
        for port in ports:
            name = text(port, "SHORT-NAME")
            assert name in interfaces, "port %s has no interface of the same name" % name
            type_ref = text(interfaces[name], "DATA-ELEMENTS/VARIABLE-DATA-PROTOTYPE/TYPE-TREF")
            kinds.setdefault(direction, set()).add(type_kind(types, compu, type_ref.rsplit("/", 1)[-1]))
    return kinds


# ---- the bundled examples ----

def test_examples_cover_line_ends_and_non_ascii_texts():
    assert len(EXAMPLES) >= 3
    raw = [read(p) for p in EXAMPLES]
    assert any(b"\r\n" in r for r in raw), "one example keeps CRLF line ends"
    assert any(b"\r\n" not in r for r in raw)
    descs = [e.text or "" for p in EXAMPLES for e in parse(p).iter(NS + "L-2")]
    assert any(re.search(u"[\u4e00-\u9fff]", d) for d in descs)
    assert any(u"\u00b0" in d for d in descs)


@pytest.mark.parametrize("path", EXAMPLES, ids=os.path.basename)
def test_example_is_complete_for_the_analyser(path):
    root = parse(path)
    kinds = analyser_view(root)
    assert {"array", "enum", "struct"} <= kinds["R"] | kinds["P"]
    assert unresolved_references([root]) == []


@pytest.mark.parametrize("path", EXAMPLES, ids=os.path.basename)
def test_example_follows_the_schema(path):
    assert schema_problems(parse(path)) == []


def test_examples_give_a_full_signal_list(tmp_path, monkeypatch):
    """Through the real loader: one sheet per example, with array, enumeration and structure types."""
    tessaly = pytest.importorskip("Velvane.Tessaly")
    openpyxl = pytest.importorskip("openpyxl")
    monkeypatch.chdir(tmp_path)
    tessaly.Tessaly().load(os.path.join(REPO, "examples"))
    book = openpyxl.load_workbook(str(tmp_path / "SignalList.xlsx"))
    expected = [os.path.basename(p)[:-len(".arxml")].replace("_Model", "") for p in EXAMPLES]
    assert sorted(book.sheetnames) == sorted(expected)
    for sheet in book.worksheets:
        rows = list(sheet.iter_rows(min_row=2, values_only=True))
        names = [r[1] for r in rows if r[1]] + [r[8] for r in rows if r[8]]
        texts = [r[7] for r in rows if r[7]] + [r[14] for r in rows if r[14]]
        assert any(re.search(r"\[\d+\]$", n) for n in names), sheet.title
        assert any(";&" in t for t in texts), sheet.title
        assert any(";" in t and "&" not in t for t in texts), sheet.title


# ---- the synthetic corpus ----

@pytest.fixture(scope="module")
def corpus(tmp_path_factory):
    base = tmp_path_factory.mktemp("corpus")
    return {
        "file": gen_corpus.generate(str(base / "file"), 3, 0.05, seed=7, layout="file"),
        "split": gen_corpus.generate(str(base / "split"), 3, 0.05, seed=7, layout="split"),
    }


@pytest.mark.parametrize("layout", ["file", "split"])
def test_generated_files_follow_the_schema_and_resolve(corpus, layout):
    roots = [parse(p) for p in corpus[layout]]
    for path, root in zip(corpus[layout], roots):
        assert schema_problems(root) == [], path
    assert unresolved_references(roots) == []


def test_file_layout_is_complete_for_the_analyser(corpus):
    for path in corpus["file"]:
        kinds = analyser_view(parse(path))
        assert kinds["R"] == kinds["P"] == {"value", "enum", "array", "struct"}, path


def test_split_layout_spreads_components_interfaces_and_types(corpus):
    names = [os.path.basename(p) for p in corpus["split"]]
    assert names[-2:] == ["PortInterfaces.arxml", "DataTypes.arxml"]
    roots = dict(zip(names, (parse(p) for p in corpus["split"])))
    interfaces = roots["PortInterfaces.arxml"]
    types = roots["DataTypes.arxml"]
    assert len(list(interfaces.iter(NS + "SENDER-RECEIVER-INTERFACE"))) > 0
    assert len(list(types.iter(NS + "DATA-TYPE-MAPPING-SET"))) == 1
    for name in names[:-2]:
        root = roots[name]
        assert len(list(root.iter(NS + "APPLICATION-SW-COMPONENT-TYPE"))) == 1
        assert not list(root.iter(NS + "SENDER-RECEIVER-INTERFACE"))
        assert not list(root.iter(NS + "IMPLEMENTATION-DATA-TYPE"))
        for port in list(root.iter(NS + "R-PORT-PROTOTYPE")) + list(root.iter(NS + "P-PORT-PROTOTYPE")):
            tref = [c for c in port if tag(c).endswith("-INTERFACE-TREF")][0].text
            assert tref.startswith("/PortInterfaces/")
            assert tref.rsplit("/", 1)[1] != text(port, "SHORT-NAME")
    # later components use what earlier ones provide
    provided = set(e.text for e in roots[names[0]].iter(NS + "PROVIDED-INTERFACE-TREF"))
    required_later = set(e.text for n in names[1:-2] for e in roots[n].iter(NS + "REQUIRED-INTERFACE-TREF"))
    assert provided & required_later


@pytest.mark.parametrize("layout", ["file", "split"])
def test_generator_is_deterministic_and_sized(tmp_path, layout):
    one = gen_corpus.generate(str(tmp_path / "a"), 2, 0.3, seed=3, layout=layout)
    two = gen_corpus.generate(str(tmp_path / "b"), 2, 0.3, seed=3, layout=layout)
    other = gen_corpus.generate(str(tmp_path / "c"), 2, 0.3, seed=4, layout=layout)
    assert [read(p) for p in one] == [read(p) for p in two]
    assert read(one[0]) != read(other[0])
    for p in one[:2]:                              # the component files
        assert 0.3e6 <= os.path.getsize(p) <= 0.36e6, (p, os.path.getsize(p))


def test_ensure_corpus_reuses_and_replaces_only_its_own_files(tmp_path):
    out = str(tmp_path)
    keep = tmp_path / "notes.txt"
    keep.write_text(u"not ours")
    first = gen_corpus.ensure_corpus(out, 2, 0.02, seed=1)
    stamp = os.path.getmtime(first[0])
    assert gen_corpus.ensure_corpus(out, 2, 0.02, seed=1) == first
    assert os.path.getmtime(first[0]) == stamp
    second = gen_corpus.ensure_corpus(out, 1, 0.02, seed=1)
    assert len(second) == 1 and not os.path.exists(first[1])
    assert keep.exists()
    assert sorted(glob.glob(os.path.join(out, "*.arxml"))) == second


def test_command_line(tmp_path, capsys):
    assert gen_corpus.main([str(tmp_path), "--files", "2", "--mb-per-file", "0.02", "--layout", "split"]) == 0
    assert "wrote 4 files" in capsys.readouterr().out
    assert sorted(os.listdir(str(tmp_path))) == ["DataTypes.arxml", "DoorLockCtrl.arxml", "PortInterfaces.arxml",
                                                 "SeatHeaterCtrl.arxml"]
