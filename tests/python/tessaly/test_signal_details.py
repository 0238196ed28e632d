"""Tessaly.load(path, details=True): descriptions, details and remarks of the signals, read from a
split project whose component, interfaces, data types and constants sit in separate files."""
import openpyxl
import pytest

import Velvane.Tessaly as tessaly_module
from Velvane.Tessaly import Tessaly

import split_projects as sp

DESCRIBED = ["E", "F", "G", "L", "M", "N"]


def desc(*variants, tag="DESC", inner="L-2"):
    return "<%s>%s</%s>" % (tag, "".join('<%s L="%s">%s</%s>' % (inner, lang, text, inner)
                                           for lang, text in variants), tag)


def receiver(name, interface, element, spec="", queued=False, extra=""):
    kind = "QUEUED-RECEIVER-COM-SPEC" if queued else "NONQUEUED-RECEIVER-COM-SPEC"
    return ("<R-PORT-PROTOTYPE><SHORT-NAME>{0}</SHORT-NAME>{1}<REQUIRED-COM-SPECS><{2}>{3}{4}</{2}>"
            "</REQUIRED-COM-SPECS>{5}</R-PORT-PROTOTYPE>"
            .format(name, extra, kind, sp.ref("DATA-ELEMENT-REF", interface + "/" + element), spec,
                    sp.ref("REQUIRED-INTERFACE-TREF", interface, "SENDER-RECEIVER-INTERFACE")))


def sender(name, interface, element, init):
    return ("<P-PORT-PROTOTYPE><SHORT-NAME>{0}</SHORT-NAME><PROVIDED-COM-SPECS><NONQUEUED-SENDER-COM-SPEC>{1}"
            "<INIT-VALUE>{2}</INIT-VALUE></NONQUEUED-SENDER-COM-SPEC></PROVIDED-COM-SPECS>{3}</P-PORT-PROTOTYPE>"
            .format(name, sp.ref("DATA-ELEMENT-REF", interface + "/" + element), init,
                    sp.ref("PROVIDED-INTERFACE-TREF", interface, "SENDER-RECEIVER-INTERFACE")))


def value(kind, text):
    return "<{0}-VALUE-SPECIFICATION><VALUE>{1}</VALUE></{0}-VALUE-SPECIFICATION>".format(kind, text)


def constant_ref(path):
    return "<CONSTANT-REFERENCE>%s</CONSTANT-REFERENCE>" % sp.ref("CONSTANT-REF", path, "CONSTANT-SPECIFICATION")


def interface(name, element, type_path, text="", element_text="", element_props=""):
    return ("<SENDER-RECEIVER-INTERFACE><SHORT-NAME>{0}</SHORT-NAME>{1}<DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE>"
            "<SHORT-NAME>{2}</SHORT-NAME>{3}{4}{5}</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS>"
            "</SENDER-RECEIVER-INTERFACE>".format(name, text, element, element_text, element_props,
                                                  sp.ref("TYPE-TREF", type_path)))


def unit(name, display=None):
    shown = "<DISPLAY-NAME>%s</DISPLAY-NAME>" % display if display else ""
    return "<UNIT><SHORT-NAME>%s</SHORT-NAME>%s</UNIT>" % (name, shown)


def constraint(name, kind, lower, upper):
    return ("<DATA-CONSTR><SHORT-NAME>{0}</SHORT-NAME><DATA-CONSTR-RULES><DATA-CONSTR-RULE><{1}>"
            "<LOWER-LIMIT>{2}</LOWER-LIMIT><UPPER-LIMIT>{3}</UPPER-LIMIT></{1}></DATA-CONSTR-RULE>"
            "</DATA-CONSTR-RULES></DATA-CONSTR>".format(name, kind, lower, upper))


def linear(name, numerator, denominator, unit_path=None):
    return ("<COMPU-METHOD><SHORT-NAME>{0}</SHORT-NAME><CATEGORY>LINEAR</CATEGORY>{1}<COMPU-INTERNAL-TO-PHYS>"
            "<COMPU-SCALES><COMPU-SCALE><COMPU-RATIONAL-COEFFS><COMPU-NUMERATOR>{2}</COMPU-NUMERATOR>"
            "<COMPU-DENOMINATOR>{3}</COMPU-DENOMINATOR></COMPU-RATIONAL-COEFFS></COMPU-SCALE></COMPU-SCALES>"
            "</COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>"
            .format(name, sp.ref("UNIT-REF", unit_path) if unit_path else "",
                    "".join("<V>%s</V>" % v for v in numerator), "".join("<V>%s</V>" % v for v in denominator)))


def write_details_project(directory):
    types = sp.packages(sp.package("Types", [
        unit("degC", "&#176;C"), unit("mm"),
        constraint("TempRange", "PHYS-CONSTRS", "-40", "85"),
        constraint("PosRange", "INTERNAL-CONSTRS", "0", "1000"),
        linear("TempScale", ["-400", "1"], ["10"]),
        linear("PressureScale", ["0", "1"], [], unit_path="/Units/kPa"),   # a unit no file defines
        "<APPLICATION-PRIMITIVE-DATA-TYPE><SHORT-NAME>Temp_T</SHORT-NAME><CATEGORY>VALUE</CATEGORY>%s"
        "</APPLICATION-PRIMITIVE-DATA-TYPE>" % sp.props(sp.ref("COMPU-METHOD-REF", "/Types/TempScale"),
                                                       sp.ref("DATA-CONSTR-REF", "/Types/TempRange"),
                                                       sp.ref("UNIT-REF", "/Types/degC")),
        sp.value_type("Pressure_T", compu="/Types/PressureScale"),
        sp.value_type("Plain_T"),
    ]))
    interfaces = sp.packages(sp.package("If", [
        interface("If_Temp", "AmbTemp", "/Types/Temp_T"),
        interface("If_Seat", "Pos", "/Types/Plain_T", text=desc(("FOR-ALL", "Seat  position")),
                  element_props=sp.props(sp.ref("UNIT-REF", "/Types/mm"), sp.ref("DATA-CONSTR-REF", "/Types/PosRange"))),
        interface("If_Idle", "Idle", "/Types/Plain_T"),
        interface("If_Cabin", "Pressure", "/Types/Pressure_T",
                  element_text=desc(("EN", "Cabin pressure"), tag="LONG-NAME", inner="L-4")),
        interface("If_Fan", "Level", "/Types/Plain_T"),
    ]))
    component = sp.packages(sp.package("Swc", [
        "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>Climate</SHORT-NAME><PORTS>%s</PORTS>"
        "</APPLICATION-SW-COMPONENT-TYPE>" % "".join([
            receiver("In_Amb_Temp", "/If/If_Temp", "AmbTemp",
                     "<ALIVE-TIMEOUT>0.5</ALIVE-TIMEOUT><INIT-VALUE>%s</INIT-VALUE>" % constant_ref("/Const/TempInit"),
                     extra=desc(("DE", "Au&#223;entemperatur"), ("EN", "Outside\n   air\ttemperature "))),
            receiver("In_Seat_Pos", "/If/If_Seat", "Pos", "<QUEUE-LENGTH>8</QUEUE-LENGTH>", queued=True,
                     extra=desc(("EN", "loses to the interface's DESC"), tag="LONG-NAME", inner="L-4")),
            receiver("In_Idle", "/If/If_Idle", "Idle", "<ALIVE-TIMEOUT>0</ALIVE-TIMEOUT>"),
            sender("Out_Cabin_Pressure", "/If/If_Cabin", "Pressure",
                   "<RECORD-VALUE-SPECIFICATION><FIELDS>%s<ARRAY-VALUE-SPECIFICATION><ELEMENTS>%s%s"
                   "</ELEMENTS></ARRAY-VALUE-SPECIFICATION></FIELDS></RECORD-VALUE-SPECIFICATION>"
                   % (value("NUMERICAL", "1"), value("TEXT", "low"),
                      "<APPLICATION-VALUE-SPECIFICATION><SW-VALUE-CONT><SW-VALUES-PHYS><V>2</V><V>3</V>"
                      "</SW-VALUES-PHYS></SW-VALUE-CONT></APPLICATION-VALUE-SPECIFICATION>")),
            sender("Out_Fan_Level", "/If/If_Fan", "Level", constant_ref("/Const/Nowhere")),
        ])]))
    constants = sp.packages(sp.package("Const", [
        "<CONSTANT-SPECIFICATION><SHORT-NAME>TempInit</SHORT-NAME><VALUE-SPEC>%s</VALUE-SPEC>"
        "</CONSTANT-SPECIFICATION>" % value("NUMERICAL", "20")]))
    return sp.write_project(directory, {"Climate.arxml": component, "Interfaces.arxml": interfaces,
                                        "Types.arxml": types, "Constants.arxml": constants})


@pytest.fixture
def project(tmp_path, monkeypatch):
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(str(work))
    return write_details_project(tmp_path / "project")


def sheet_of(directory, **options):
    Tessaly().load(directory, output="out.xlsx", **options)
    return openpyxl.load_workbook("out.xlsx")["Climate"]


def cells(sheet, columns, number):
    return [sheet["%s%d" % (c, number)].value for c in columns]


@pytest.mark.parametrize("resolve, writer", [("file", "native"), ("project", "xlsxwriter")])
def test_details_fill_the_described_columns(project, monkeypatch, resolve, writer):
    if writer == "xlsxwriter":   # a Workbook of the caller's own makes load write through it
        monkeypatch.setattr(tessaly_module, "Workbook", type("Workbook", (tessaly_module.Workbook,), {}))
    sheet = sheet_of(project, details=True, resolve=resolve)
    written = set(sheet._cells)  # before reading: openpyxl makes the cells it is asked for
    assert cells(sheet, "BEFG", 2) == [
        "In_Amb_Temp", "Outside air temperature",
        "unit: \u00b0C; range: -40..85; factor: 0.1; offset: -40; init: 20", "timeout: 0.5 s"]
    assert cells(sheet, "BEFG", 3) == ["In_Seat_Pos", "Seat position", "unit: mm; range: 0..1000", "queue: 8"]
    assert cells(sheet, "ILMN", 2) == [
        "Out_Cabin_Pressure", "Cabin pressure", "unit: kPa; factor: 1; offset: 0; init: {1, {low, 2, 3}}", None]
    assert cells(sheet, "ILMN", 3) == ["Out_Fan_Level", None, "init: Nowhere", None]
    # Nothing to say: the cells are not written at all, so they carry no border either.
    assert cells(sheet, "BEFG", 4) == ["In_Idle", None, None, None]
    assert [(4, c) in written for c in (5, 6, 7)] == [False] * 3
    assert sheet["F2"].border.left.style == sheet["B2"].border.left.style == "thin"


def test_without_details_the_workbook_is_as_before(project):
    plain = sheet_of(project)
    detailed = sheet_of(project, details=True)
    assert not [key for key in plain._cells if key[0] > 1 and openpyxl.utils.get_column_letter(key[1]) in DESCRIBED]
    for key, cell in plain._cells.items():
        assert (cell.value, cell.style_id) == (detailed._cells[key].value, detailed._cells[key].style_id)


@pytest.mark.parametrize("value", [1, "yes", None])
def test_details_takes_a_bool_only(project, value):
    with pytest.raises(TypeError, match="details"):
        Tessaly().load(project, details=value)


def one_port_project(directory, types=(), element_props=(), spec="", text=""):
    """A component with one receiver port In_X of interface /If/If_X (data element X, type /Types/X_T)."""
    component = sp.packages(sp.package("Swc", [
        "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>Climate</SHORT-NAME><PORTS>%s</PORTS>"
        "</APPLICATION-SW-COMPONENT-TYPE>" % receiver("In_X", "/If/If_X", "X", spec, extra=text)]))
    # Relative references inside the interface file take the base "types".
    interfaces = sp.packages(sp.package("If", [
        interface("If_X", "X", "/Types/X_T", element_props=sp.props(*element_props) if element_props else "")],
        bases=[sp.reference_base("types", "/Types")]))
    return sp.write_project(directory, {"Climate.arxml": component, "If.arxml": interfaces,
                                        "Types.arxml": sp.packages(sp.package("Types", list(types)))})


def scaled(method):
    return [method, sp.value_type("X_T", compu="/Types/" + method.split("</SHORT-NAME>")[0].split(">")[-1])]


@pytest.mark.parametrize("types, element_props, spec, text, expected", [
    # a zero or unreadable divisor, or an overflow, gives no scaling; the unit stays
    (scaled(linear("S0", ["1", "2"], ["0"], unit_path="/Types/V")) + [unit("V")], (), "", "",
     [None, "unit: V", None]),
    (scaled(linear("S1", ["abc", "1e308"], ["1e-308"])), (), "", "", [None, None, None]),
    (scaled(linear("S2", ["-0", "3"], ["7"])), (), "", "", [None, "factor: 0.4285714286; offset: 0", None]),
    # the unit named relative to a reference base; its display name with markup inside
    (["<UNIT><SHORT-NAME>Acc</SHORT-NAME><DISPLAY-NAME>m/s<SUP>2</SUP></DISPLAY-NAME></UNIT>",
      sp.value_type("X_T")], ['<UNIT-REF BASE="types">Acc</UNIT-REF>'], "", "", [None, "unit: m/s2", None]),
    # constants in a circle, and init values of the com spec naming the element
    (['<CONSTANT-SPECIFICATION><SHORT-NAME>Loop</SHORT-NAME><VALUE-SPEC>%s</VALUE-SPEC></CONSTANT-SPECIFICATION>'
      % constant_ref("/Types/Loop")], (), "<INIT-VALUE>%s</INIT-VALUE>" % constant_ref("/Types/Loop"), "",
     [None, "init: Loop", None]),
    # an English variant with nothing to say gives way to another language; a lone timeout of zero
    ((), (), "<ALIVE-TIMEOUT>0.0</ALIVE-TIMEOUT>", desc(("EN", " "), ("DE", "Wert <E>X</E>  eins")),
     ["Wert X eins", None, None]),
    # the first scale with coefficients, after a text scale; found through a TYPE_REFERENCE chain
    ([linear("Mixed", ["5", "2"], ["4"]).replace("LINEAR", "SCALE_LINEAR_AND_TEXTTABLE").replace(
        "<COMPU-SCALE>", "<COMPU-SCALE><COMPU-CONST><VT>Init</VT></COMPU-CONST></COMPU-SCALE><COMPU-SCALE>", 1),
      sp.reference_type("X_T", "/Types/Y_T"), sp.value_type("Y_T", compu="/Types/Mixed")], (), "", "",
     [None, "factor: 0.5; offset: 1.25", None]),
    # the data element's own unit before its type's
    ([unit("A"), unit("B"), "<IMPLEMENTATION-DATA-TYPE><SHORT-NAME>X_T</SHORT-NAME>%s</IMPLEMENTATION-DATA-TYPE>"
      % sp.props(sp.ref("UNIT-REF", "/Types/B"))], [sp.ref("UNIT-REF", "/Types/A")], "", "", [None, "unit: A", None]),
], ids=["zero-divisor", "unreadable", "negative-zero", "unit-by-base", "constant-circle", "language", "chained-mixed",
        "element-first"])
def test_details_edge_cases(tmp_path, monkeypatch, types, element_props, spec, text, expected):
    monkeypatch.chdir(str(tmp_path))
    directory = one_port_project(tmp_path / "p", types, element_props, spec, text)
    assert cells(sheet_of(directory, details=True), "EFG", 2) == expected


def test_command_fills_details(project):
    from Velvane.cli import main
    assert main([project, "--details", "-q", "-o", "cli.xlsx"]) == 0
    assert openpyxl.load_workbook("cli.xlsx")["Climate"]["F3"].value == "unit: mm; range: 0..1000"


def test_the_details_of_a_sheet_stop_at_four_times_its_file_with_one_warning(tmp_path, monkeypatch):
    # Constants naming the next one ten times: each init value would grow to 40,000 characters, from
    # a file of a few kilobytes. The first signals get theirs; past the size of the file and a
    # megabyte more, the details and remarks are left empty and one warning counts those signals.
    monkeypatch.chdir(str(tmp_path))
    constants = ["<CONSTANT-SPECIFICATION><SHORT-NAME>K%d</SHORT-NAME><VALUE-SPEC><RECORD-VALUE-SPECIFICATION>"
                 "<FIELDS>%s</FIELDS></RECORD-VALUE-SPECIFICATION></VALUE-SPEC></CONSTANT-SPECIFICATION>"
                 % (i, constant_ref("/P/K%d" % (i + 1)) * 10) for i in range(6)]
    constants.append("<CONSTANT-SPECIFICATION><SHORT-NAME>K6</SHORT-NAME><VALUE-SPEC>%s</VALUE-SPEC>"
                     "</CONSTANT-SPECIFICATION>" % value("NUMERICAL", "7"))
    ports = [receiver("In_%02d" % i, "/P/If", "d", "<ALIVE-TIMEOUT>1</ALIVE-TIMEOUT><INIT-VALUE>%s</INIT-VALUE>"
                      % constant_ref("/P/K0")) for i in range(60)]
    folder = sp.write_project(tmp_path / "p", {"Many.arxml": sp.packages(sp.package("P", [
        "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>Many</SHORT-NAME><PORTS>%s</PORTS>"
        "</APPLICATION-SW-COMPONENT-TYPE>" % "".join(ports), interface("If", "d", "/P/T")] + constants))})
    with pytest.warns(tessaly_module.TruncationWarning) as said:
        Tessaly().load(folder, details=True)
    sheet = openpyxl.load_workbook("SignalList.xlsx")["Many"]
    details = [cell.value for cell in sheet["F"][1:]]
    kept = len([d for d in details if d])
    assert 0 < kept < 60 and all(d.startswith("init: {{") for d in details[:kept]) and not any(details[kept:])
    assert [cell.value for cell in sheet["G"][1:]] == ["timeout: 1 s"] * kept + [None] * (60 - kept)
    left = [str(w.message) for w in said if "left empty" in str(w.message)]
    assert left == ["Many: details and remark of %d signals left empty: the sheet's details would take more "
                    "than the size of its file" % (60 - kept)]
