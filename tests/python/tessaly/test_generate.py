"""Velvane.Tessaly.generate: component ARXML from a signal-list workbook, read back by load to the
same sheets, valid under the schema and for an independent reader; bad cells named; nothing
half-written."""
import os
import shutil
import sys
import zipfile

import pytest
import xlsxwriter

from conftest import EXAMPLES, REPO
from generate_checks import arxml_files, load_schema, reader_problems, schema_problems, signal_sheets
from signal_workbooks import HEADER, write_workbook
from Velvane.Tessaly import GenerateWarning, SignalListError, Tessaly, WorkbookError, generate

sys.path.insert(0, os.path.join(REPO, "tools"))
import gen_corpus  # noqa: E402

def details_workbook(directory, path):
    Tessaly().load(str(directory), output=str(path), resolve="project", details=True)
    return path


def read_back(generated, path):
    Tessaly().load(str(generated), output=str(path), resolve="project", details=True,
                   type_sources=[os.path.join(str(generated), "Shared")])
    return signal_sheets(path)


def without_modules(sheets):
    """The sheets without C and J, which the sheet works out from the name and the sheet."""
    return dict((name, [row[:1] + row[2:8] + row[9:] for row in rows]) for name, rows in sheets.items())


def assert_round_trip(workbook, tmp_path, modules_given=True):
    generated = tmp_path / "generated"
    written = generate(str(workbook), str(generated))
    assert sorted(written) == arxml_files(generated)
    again, before = read_back(generated, tmp_path / "again.xlsx"), signal_sheets(workbook)
    if not modules_given:
        again, before = without_modules(again), without_modules(before)
    assert again == before
    return generated


# A designed interface: enumerations (one named like "boolean"), a structure, arrays of one and two
# dimensions and of the structure, every details and remark item, an untyped signal, a type name
# with two different enumerations, and a signal provided in one sheet and required in the other.
DESIGN = {
    "Door": [
        {"B": "In_Gear", "D": "Gear_T", "H": "P;R;N;D", "E": "Selected gear", "F": "init: N",
         "G": "timeout: 0.5 s", "I": "Out_Lock", "K": "Lock_T", "O": "Unlocked;Locked", "L": "Lock state",
         "M": "range: 0..1; init: Unlocked"},
        {"B": "In_Temp[2][3]", "D": "sint16", "F": "unit: \u00b0C; range: -40..215; factor: 0.5; offset: -40; "
                                                 "init: {{0, 0, 0}, {1, 2, 3}}",
         "I": "Out_Speed", "K": "uint16", "M": "unit: km/h; factor: 0.01; offset: 0; init: 0"},
        {"B": "In_Events", "D": "uint8", "G": "queue: 8", "I": "Out_Gear", "K": "Gear_T", "O": "P;R;N"},
        {"B": "In_Seats[2]", "D": "Seat_T", "H": "boolean;uint8;&Occupied;Weight;",
         "F": "init: {{0, 0}, {1, 70}}"},
        {"B": "In_Pending", "F": "unit: V", "E": "not designed yet"},
        {"B": "In_Mode", "D": "MyBoolean_T", "H": "Off;On", "F": "range: ..7"},
    ],
    "Body": [
        {"B": "Out_Lock", "D": "Lock_T", "H": "Unlocked;Locked", "F": "range: 0..1; init: Unlocked",
         "I": "Out_Events", "K": "uint8"},
        {"B": "In_Events", "D": "uint8"},
    ],
}


class TestRoundTrip:
    def test_examples(self, tmp_path):
        assert_round_trip(details_workbook(EXAMPLES, tmp_path / "W.xlsx"), tmp_path)

    def test_public_files(self, shared_arxml_dir, tmp_path):
        assert_round_trip(details_workbook(shared_arxml_dir, tmp_path / "W.xlsx"), tmp_path)

    @pytest.mark.parametrize("layout", ["split", "mixed"])
    def test_generated_corpus(self, layout, tmp_path):
        corpus = tmp_path / "corpus"
        gen_corpus.generate(str(corpus), 4, 0.03, 7, layout)
        assert_round_trip(details_workbook(corpus, tmp_path / "W.xlsx"), tmp_path)

    def test_designed_workbook_is_read_back_valid_and_the_same_every_time(self, tmp_path):
        workbook = write_workbook(tmp_path / "Design.xlsx", DESIGN)
        generated = assert_round_trip(workbook, tmp_path, modules_given=False)
        schema = load_schema()
        for path in arxml_files(generated):
            assert schema_problems(path, schema) == [], path
        again = tmp_path / "again"
        generate(str(workbook), str(again))
        for path in arxml_files(generated):
            with open(path, "rb") as first, open(path.replace(str(generated), str(again)), "rb") as second:
                assert first.read() == second.read(), path

    def test_an_independent_reader_loads_the_files_strictly_in_schema_order(self, tmp_path):
        generated = tmp_path / "generated"
        generate(str(write_workbook(tmp_path / "Design.xlsx", DESIGN)), str(generated))
        assert reader_problems(generated) == []

    def test_a_signal_of_two_sheets_shares_its_interface_and_queued_receivers_share_theirs(self, tmp_path):
        generated = tmp_path / "generated"
        generate(str(write_workbook(tmp_path / "Design.xlsx", DESIGN)), str(generated))
        door, body = ((generated / name).read_text(encoding="utf-8") for name in ("Door.arxml", "Body.arxml"))
        lock = '<PROVIDED-INTERFACE-TREF DEST="SENDER-RECEIVER-INTERFACE">/PortInterfaces/Out_Lock<'
        assert lock in door and lock.replace("PROVIDED", "REQUIRED") in body
        assert door.count("<QUEUED-RECEIVER-COM-SPEC>") == 1 and "<QUEUE-LENGTH>8<" in door
        assert body.count("<QUEUED-RECEIVER-COM-SPEC>") == 1  # In_Events, queued where Door says so
        # Gear_T with other literals is a second type of that name, in a package of its own.
        interfaces = (generated / "Shared" / "PortInterfaces.arxml").read_text(encoding="utf-8")
        assert ">/DataTypes/ImplementationDataTypes/Variant2/Gear_T<" in interfaces


def bad_sheet(tmp_path, rows, name="Brake"):
    return write_workbook(tmp_path / "Bad.xlsx", {"Good": [{"B": "In_Ok", "D": "uint8"}], name: rows})


BAD_CELLS = [
    ([{"B": "In Speed"}], "B2", "'In Speed' is not a valid AUTOSAR identifier"),
    ([{"B": "In_A"}, {"B": "In_A"}], "B3", "input signal 'In_A' repeats B2"),
    ([{"B": "Sig"}, {"I": "Sig"}], "I3", "has the name of input signal B2"),
    ([{"B": "In_A", "D": "Gear T"}], "D2", "data type 'Gear T' is not a valid AUTOSAR identifier"),
    ([{"D": "Gear_T"}], "B2", "no input signal name, but D2 holds 'Gear_T'"),
    ([{"B": "In_A[4]"}], "B2", "has an array size but D2 names no data type"),
    ([{"B": "In_A", "D": "Gear_T", "H": "P;;D"}], "H2", "literal 2 is empty"),
    ([{"B": "In_A", "D": "S_T", "H": "uint8;&a;b;"}], "H2", "1 member types but 2 member names"),
    ([{"B": "In_A", "D": "S_T", "H": "uint8;uint8;&a;a;"}], "H2", "member 'a' appears twice"),
    ([{"I": "Out_A", "K": "uint8", "M": "unit km/h"}], "M2", "expected 'unit: '"),
    ([{"B": "In_A", "F": "range: 0..1; unit: V"}], "F2", "upper limit '1; unit: V' is not a number"),
    ([{"B": "In_A", "F": "range: 0-5"}], "F2", "is not written 'lower..upper'"),
    ([{"B": "In_A", "F": "factor: ten"}], "F2", "factor 'ten' is not a number"),
    ([{"B": "In_A", "G": "timeout: 1"}], "G2", "is not written 'T s'"),
    ([{"B": "In_A", "G": "queue: 5; timeout: 1 s"}], "G2", "is not a whole number"),
    ([{"I": "Out_A", "N": "timeout: 1 s"}], "N2", "only a receiver's com spec carries them"),
    ([{"B": "In_A", "F": "init: 0", "G": "queue: 2"}], "F2", "takes no init value"),
    ([{"B": "In_A", "E": "bell\x07"}], "E2", "control character"),
]


class TestBadInput:
    @pytest.mark.parametrize("rows, cell, cause", BAD_CELLS)
    def test_the_first_bad_cell_is_named_and_nothing_is_written(self, tmp_path, rows, cell, cause):
        output = tmp_path / "out"
        output.mkdir()
        (output / "Good.arxml").write_text(u"earlier run")
        with pytest.raises(SignalListError) as raised:
            generate(str(bad_sheet(tmp_path, rows)), str(output))
        assert (raised.value.sheet, raised.value.cell) == ("Brake", cell)
        assert str(raised.value) == "Brake!%s: %s" % (cell, raised.value.cause)
        if cause is not None:
            assert cause in raised.value.cause
        assert os.listdir(str(output)) == ["Good.arxml"] and (output / "Good.arxml").read_text() == u"earlier run"

    def test_a_sheet_name_that_is_no_identifier_is_refused_and_quoted(self, tmp_path):
        with pytest.raises(SignalListError) as raised:
            generate(str(bad_sheet(tmp_path, [], name="Brake 2")), str(tmp_path / "out"))
        assert (raised.value.sheet, raised.value.cell) == ("Brake 2", "")
        assert str(raised.value).startswith("Brake 2: the sheet name is not a valid AUTOSAR identifier")
        assert not (tmp_path / "out").exists()

    def test_skip_leaves_the_bad_sheet_out_with_a_warning_and_writes_the_others(self, tmp_path):
        workbook = bad_sheet(tmp_path, [{"B": "In Speed"}])
        with pytest.warns(GenerateWarning) as caught:
            written = generate(str(workbook), str(tmp_path / "out"), on_error="skip")
        (warning,) = [w.message for w in caught]
        assert warning.sheet == "Brake" and isinstance(warning.error, SignalListError)
        assert str(warning) == str(warning.error) + "; sheet left out"
        assert [os.path.relpath(p, str(tmp_path / "out")) for p in written] == [
            "Good.arxml", os.path.join("Shared", "PortInterfaces.arxml"), os.path.join("Shared", "DataTypes.arxml")]

    def test_other_sheets_are_passed_over_and_companion_sheets_silently(self, tmp_path):
        path = tmp_path / "W.xlsx"
        book = xlsxwriter.Workbook(str(path))
        book.add_worksheet("Notes").write(0, 0, "free text")
        book.add_worksheet("Connections~2").write(0, 0, "Composition")
        sheet = book.add_worksheet("Door")
        sheet.write_row(0, 0, HEADER)
        sheet.write_row(1, 0, ["1", "In_A", "A", "uint8"])
        book.close()
        with pytest.warns(GenerateWarning) as caught:
            written = generate(str(path), str(tmp_path / "out"))
        assert [str(w.message) for w in caught] == [
            "Notes: not a signal sheet (its header row is not the signal sheet's); left out"]
        assert caught[0].message.error is None and len(written) == 3

    def test_files_that_are_not_workbooks(self, tmp_path):
        text = tmp_path / "notes.xlsx"
        text.write_text(u"not a zip")
        no_book = tmp_path / "empty.xlsx"
        with zipfile.ZipFile(str(no_book), "w") as archive:
            archive.writestr("readme.txt", "a zip without a workbook")
        good = write_workbook(tmp_path / "W.xlsx", {"Door": [{"B": "In_A"}]})
        cut = tmp_path / "cut.xlsx"
        cut.write_bytes(good.read_bytes()[:-200])
        for path, cause in [(text, "not a zip archive"), (no_book, "no workbook part (xl/workbook.xml)"), (cut, "not a zip archive")]:
            with pytest.raises(WorkbookError) as raised:
                generate(str(path), str(tmp_path / "out"))
            assert str(raised.value) == "%s: not a workbook: %s" % (path, cause) and raised.value.path == str(path)
        assert not (tmp_path / "out").exists()
        with pytest.raises(FileNotFoundError):
            generate(str(tmp_path / "missing.xlsx"), str(tmp_path / "out"))
        with pytest.raises(ValueError, match="on_error"):
            generate(str(good), str(tmp_path / "out"), on_error="ignore")

    def test_a_failed_write_leaves_the_targets_and_no_temporary_behind(self, tmp_path):
        workbook = write_workbook(tmp_path / "W.xlsx", {"Door": [{"B": "In_A", "D": "uint8"}]})
        output = tmp_path / "out"
        output.mkdir()
        (output / "Door.arxml").write_text(u"earlier run")
        (output / "Shared").write_text(u"a file where the folder should go")
        with pytest.raises(OSError):
            generate(str(workbook), str(output))
        assert sorted(os.listdir(str(output))) == ["Door.arxml", "Shared"]
        assert (output / "Door.arxml").read_text() == u"earlier run"
        shutil.rmtree(str(output))


class TestCellTexts:
    """What a workbook may hold beyond xlsxwriter's plain shared strings, and texts of any shape."""

    def test_inline_and_rich_strings_escapes_and_numbers_are_read_as_the_spreadsheet_shows_them(self, tmp_path):
        def hand_workbook(path, third_row):
            header = u"".join(u'<c r="%s1" t="inlineStr"><is><t>%s</t></is></c>' % (chr(65 + i), text)
                              for i, text in enumerate(HEADER))
            sheet = (u'<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
                     u'<row r="1">%s</row><row r="2"><c r="B2" t="inlineStr"><is><r><t>In_</t></r><r><t>A</t></r>'
                     u'<rPh><t>phonetic</t></rPh></is></c><c r="D2" t="s"><v>0</v></c>'
                     u'<c r="E2" t="inlineStr"><is><t>a_x0009_b _x005F_x0041_</t></is></c></row>'
                     u'<row r="3"><c r="I3" t="str"><f>X</f><v>Out_B</v></c><c r="K3" t="s"><v>0</v></c>%s'
                     u'</row></sheetData></worksheet>') % (header, third_row)
            relationships = '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            kind = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            with zipfile.ZipFile(str(path), "w") as archive:
                archive.writestr("_rels/.rels", relationships + '<Relationship Id="r1" Type="%sofficeDocument" '
                                 'Target="book/main.xml"/></Relationships>' % kind)
                archive.writestr("book/main.xml", '<x:workbook xmlns:x="http://schemas.openxmlformats.org/'
                                 'spreadsheetml/2006/main" xmlns:rel="%s"><x:sheets><x:sheet name="Hand" '
                                 'sheetId="1" rel:id="s1"/></x:sheets></x:workbook>' % kind[:-1])
                archive.writestr("book/_rels/main.xml.rels", relationships + '<Relationship Id="s1" '
                                 'Type="%sworksheet" Target="../sheets/one.xml"/><Relationship Id="s2" '
                                 'Type="%ssharedStrings" Target="strings.xml"/></Relationships>' % (kind, kind))
                archive.writestr("book/strings.xml", '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/'
                                 '2006/main"><si><t>uint8</t></si></sst>')
                archive.writestr("sheets/one.xml", sheet.encode("utf-8"))
            return path

        with pytest.raises(SignalListError) as raised:  # a number where details items belong
            generate(str(hand_workbook(tmp_path / "Number.xlsx", u'<c r="M3"><v>1</v></c>')), str(tmp_path / "out"))
        assert (raised.value.cell, raised.value.cause[:15]) == ("M3", "cannot read '1'")
        generate(str(hand_workbook(tmp_path / "Hand.xlsx", u"")), str(tmp_path / "out"))
        component = (tmp_path / "out" / "Hand.arxml").read_text(encoding="utf-8")
        assert "<SHORT-NAME>In_A</SHORT-NAME>" in component and "<SHORT-NAME>Out_B</SHORT-NAME>" in component
        assert u'<L-2 L="EN">a\tb _x0041_</L-2>' in component

    @pytest.mark.parametrize("details, values", [
        ("unit: \u00b0C; range: -40..; factor: 1e-05; offset: 0.5; init: {{a, b}, {}, {1, {2}}}", ""),
        ("range: ..0x1F; init: On; off", "On; off;x&y;z"),
        ("offset: -3; init: {, }", "uint8;S_T;&m1;m2;"),
        ("init: 0b101", ";&;"),
    ])
    def test_details_and_values_of_any_shape_come_back_as_written(self, tmp_path, details, values):
        row = {"B": "In_A[3]", "D": "T_" + str(len(values)), "F": details, "H": values, "G": "timeout: 2.5 s"}
        workbook = write_workbook(tmp_path / "W.xlsx", {"Door": [row, {"B": "In_B", "D": "S_T",
                                                                      "H": "uint8;&x;"}]})
        assert_round_trip(workbook, tmp_path, modules_given=False)
