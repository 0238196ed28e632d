"""Tessaly.load over directories holding hostile or broken files.

Every case ends in one of two ways: a Python exception whose message names the offending file, with
./SignalList.xlsx left exactly as it was, or a complete workbook that reads back correctly. Never a
crash, a hang, an expanded entity or a half-written workbook."""
import gc
import os
import random
import stat
import sys
import threading
import time
import warnings
import zipfile

import openpyxl
import pytest

from Velvane.Tessaly import Tessaly, TruncationWarning

from conftest import arxml_document

PREVIOUS = b"the workbook of an earlier run"
SECRET = "TOP-SECRET-LOCAL-FILE-CONTENT"
SHEET_NAME_LIMIT = 31
CELL_TEXT_LIMIT = 32767   # the most text a worksheet cell holds


def model(ports=(), literals=None, elements="", component="Swc", port_extra=""):
    """A component with required ports In_* (or whatever names are given), each typed through an
    interface of the same name by the enumeration type Hostile_e; the enumeration has `literals`."""
    port_xml = "".join(
        "<R-PORT-PROTOTYPE><SHORT-NAME>%s</SHORT-NAME>%s<REQUIRED-INTERFACE-TREF DEST=\"SENDER-RECEIVER-"
        "INTERFACE\">/Pkg/%s</REQUIRED-INTERFACE-TREF></R-PORT-PROTOTYPE>" % (name, port_extra, name)
        for name in ports)
    interfaces = "".join(
        "<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME><DATA-ELEMENTS><VARIABLE-DATA-PROTOTYPE>"
        "<SHORT-NAME>v</SHORT-NAME><TYPE-TREF DEST=\"IMPLEMENTATION-DATA-TYPE\">/Pkg/Hostile_e</TYPE-TREF>"
        "</VARIABLE-DATA-PROTOTYPE></DATA-ELEMENTS></SENDER-RECEIVER-INTERFACE>" % name for name in ports)
    compu = ""
    if literals is not None:
        compu = ("<COMPU-METHOD><SHORT-NAME>COMPU_Hostile_e</SHORT-NAME><CATEGORY>TEXTTABLE</CATEGORY>"
                 "<COMPU-INTERNAL-TO-PHYS><COMPU-SCALES>%s</COMPU-SCALES></COMPU-INTERNAL-TO-PHYS>"
                 "</COMPU-METHOD>" % "".join(
                     "<COMPU-SCALE><COMPU-CONST><VT>%s</VT></COMPU-CONST></COMPU-SCALE>" % vt for vt in literals))
    return ("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>Pkg</SHORT-NAME><ELEMENTS>"
            "<APPLICATION-SW-COMPONENT-TYPE><SHORT-NAME>%s</SHORT-NAME><PORTS>%s</PORTS>"
            "</APPLICATION-SW-COMPONENT-TYPE>%s%s%s</ELEMENTS></AR-PACKAGE></AR-PACKAGES>"
            % (component, port_xml, interfaces, compu, elements))


def document(body, prolog=""):
    """A whole ARXML text; `prolog` (a DOCTYPE) goes between the declaration and the root."""
    text = arxml_document(body)
    if prolog:
        declaration, rest = text.split("\n", 1)
        text = declaration + "\n" + prolog + "\n" + rest
    return text


GOOD = document(model(["In_Good"], literals=["OFF", "ON"])).encode("utf-8")


@pytest.fixture
def scene(tmp_path, monkeypatch):
    """A source directory with one good model, and a working directory holding an earlier workbook."""
    source, work = tmp_path / "models", tmp_path / "work"
    source.mkdir()
    work.mkdir()
    (source / "Good.arxml").write_bytes(GOOD)
    (work / "SignalList.xlsx").write_bytes(PREVIOUS)
    monkeypatch.chdir(str(work))
    return source, work / "SignalList.xlsx"


def load_fails(source, output, entry):
    """Runs load, which must fail naming `entry` and leave the earlier workbook untouched."""
    with pytest.raises(Exception) as raised:
        Tessaly().load(str(source))
    assert not isinstance(raised.value, (SystemError, MemoryError)), raised.value
    assert entry in str(raised.value)
    assert output.read_bytes() == PREVIOUS
    return raised.value


def load_book(source, output, cuts=()):
    """Loads `source` into `output`; `cuts`: the sheet!cell names of the texts that must be cut (an
    enumeration left in the process by another test may cut more)."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always", TruncationWarning)
        Tessaly().load(str(source))
    said = {str(w.message).split(":")[0] for w in caught if w.category is TruncationWarning}
    assert set(cuts) <= said, said
    return openpyxl.load_workbook(str(output))


def sheet_of(book, model_name):
    return book[model_name[:SHEET_NAME_LIMIT]]


def column(sheet, letter):
    return [cell.value for cell in sheet[letter][1:]]


def random_bytes(size, seed):
    generator = random.Random(seed)
    return bytes(bytearray(generator.getrandbits(8) for _ in range(size)))


def nested(tag, depth, inner=""):
    return "<%s>" % tag * depth + inner + "</%s>" % tag * depth


class TestBrokenFiles:
    @pytest.mark.parametrize("content, cause", [
        (b"", "no document element"),
        (random_bytes(4096, 6), None),
        (b"\x00" * 64, "NUL"),
        (GOOD[:len(GOOD) // 2], None),                                            # truncated
        (b'<?xml version="1.0"?>\n<AR-PACKAGES><AR-PACKAGE/></AR-PACKAGES>\n', "root element"),
        (GOOD.replace(b"In_Good", b"In_\xc3\x28Good", 1), "UTF-8"),               # invalid UTF-8
        (GOOD.replace(b"In_Good", b"In_\xed\xa0\x80Good", 1), "UTF-8"),           # encoded surrogate
        (GOOD.replace(b"In_Good", b"In_\x00Good", 1), "NUL"),
        (document(model(["In_X"])).encode("utf-16")[:-7], None),                   # truncated UTF-16
        (b"\xef\xbb\xbf", "no document element"),                                # a BOM alone
        (b"<!DOCTYPE AUTOSAR [<!ENTITY a \"" + b"x" * 4096, None),                # unterminated DOCTYPE
    ], ids=["empty", "random-bytes", "nul-only", "truncated", "wrong-root", "invalid-utf8",
            "utf8-surrogate", "nul-in-text", "truncated-utf16", "bom-only", "open-doctype"])
    def test_file_that_is_no_arxml(self, scene, content, cause):
        source, output = scene
        (source / "Broken.arxml").write_bytes(content)
        error = load_fails(source, output, "Broken.arxml")
        assert isinstance(error, ValueError)
        if cause is not None:
            assert cause in str(error)

    def test_a_bad_byte_is_found_wherever_it_stands_in_a_long_ascii_run(self, tmp_path):
        # The check skips ASCII many bytes at a time: every place within such a stride must be looked at.
        from Omdra.Corvenna import AUTOSAR_00048
        for offset in range(70):
            for bad, cause in ((b"\xff", "UTF-8"), (b"\x00", "NUL")):
                text = b"x" * offset + bad + b"x" * (90 - offset)
                path = tmp_path / "bad.arxml"
                path.write_bytes(b'<?xml version="1.0"?>\n<AUTOSAR>' + text + b"</AUTOSAR>\n")
                with pytest.raises(ValueError) as caught:
                    AUTOSAR_00048.parse(str(path))
                assert cause in str(caught.value) and caught.value.lineno == 2
                assert caught.value.colno == len("<AUTOSAR>") + offset + 1, (offset, bad)
        for size in range(0, 70):   # and a clean run ends where the file does, whatever its length
            path.write_bytes((b'<?xml version="1.0"?><AUTOSAR>%s</AUTOSAR>' % (b"x" * size)).ljust(96 + size))
            AUTOSAR_00048.parse(str(path))

    def test_directory_named_like_a_model(self, scene):
        source, output = scene
        (source / "x.arxml").mkdir()
        assert isinstance(load_fails(source, output, "x.arxml"), OSError)

    @pytest.mark.parametrize("target", ["y.arxml", "absent/file", "/dev/zero", "/dev/null"],
                             ids=["loop", "dangling", "device", "null-device"])
    def test_symbolic_link_that_leads_nowhere_useful(self, scene, target):
        source, output = scene
        os.symlink(target, str(source / "y.arxml"))
        assert isinstance(load_fails(source, output, "y.arxml"), OSError)

    def test_named_pipe_is_refused_without_waiting_for_a_writer(self, scene):
        source, output = scene
        fifo = str(source / "pipe.arxml")
        os.mkfifo(fifo)
        outcome = []

        def run():
            try:
                Tessaly().load(str(source))
            except Exception as error:
                outcome.append(error)
        worker = threading.Thread(target=run)
        worker.start()
        worker.join(20)
        if worker.is_alive():
            # Let the blocked reader go: a writer opens and closes the pipe, the reader sees its end.
            os.close(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK))
            worker.join()
            pytest.fail("load waited on a named pipe")
        (error,) = outcome
        assert isinstance(error, OSError) and "pipe.arxml" in str(error)
        assert output.read_bytes() == PREVIOUS

    @pytest.mark.skipif(os.geteuid() == 0, reason="root reads files whatever their mode")
    def test_unreadable_file(self, scene):
        source, output = scene
        path = source / "Locked.arxml"
        path.write_bytes(GOOD)
        os.chmod(str(path), 0)
        assert isinstance(load_fails(source, output, "Locked.arxml"), PermissionError)


class TestEncodings:
    NAMES = [u"In_Tür", u"In_温度", u"In_😀"]

    @pytest.mark.parametrize("codec, bom", [
        ("utf-8", b"\xef\xbb\xbf"), ("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff"),
    ])
    def test_bom_files_give_the_same_workbook_as_plain_utf8(self, scene, codec, bom):
        source, output = scene
        (source / "Good.arxml").unlink()
        text = document(model(self.NAMES, literals=[u"AUS", u"EIN", u"温"]))
        if codec != "utf-8":
            text = text.replace('encoding="UTF-8"', 'encoding="UTF-16"')
        (source / "Coded.arxml").write_bytes(bom + text.encode(codec))
        sheet = load_book(source, output)["Coded"]
        assert column(sheet, "B") == self.NAMES
        assert column(sheet, "C") == [u"Tür", u"温度", u"😀"]
        assert column(sheet, "H") == [u"AUS;EIN;温"] * 3


class TestEntities:
    def test_billion_laughs_is_not_expanded(self, scene):
        source, output = scene
        entities = ['<!ENTITY lol0 "lol">'] + [
            '<!ENTITY lol%d "%s">' % (i, ("&lol%d;" % (i - 1)) * 10) for i in range(1, 10)]
        prolog = "<!DOCTYPE AUTOSAR [%s]>" % "".join(entities)
        (source / "Laughs.arxml").write_bytes(
            document(model(["In_&lol9;"], literals=["&lol9;"]), prolog).encode("utf-8"))
        started = time.time()
        sheet = load_book(source, output)["Laughs"]
        assert time.time() - started < 30
        assert column(sheet, "B") == ["In_&lol9;"]
        assert column(sheet, "H") == ["&lol9;"]

    @pytest.mark.parametrize("declaration, use", [
        ('<!ENTITY xxe SYSTEM "file://{0}">', "&xxe;"),
        ('<!ENTITY xxe SYSTEM "{0}">', "&xxe;"),
        ('<!ENTITY % xxe SYSTEM "file://{0}"> %xxe;', "&xxe;"),
    ], ids=["file-url", "plain-path", "parameter-entity"])
    def test_external_entity_reads_nothing(self, scene, tmp_path, declaration, use):
        source, output = scene
        secret = tmp_path / "secret.txt"
        secret.write_text(SECRET, encoding="ascii")
        prolog = "<!DOCTYPE AUTOSAR [%s]>" % declaration.format(secret)
        (source / "Outside.arxml").write_bytes(
            document(model(["In_" + use], literals=[use]), prolog).encode("utf-8"))
        sheet = load_book(source, output)["Outside"]
        assert column(sheet, "B") == ["In_" + use]
        with zipfile.ZipFile(str(output)) as archive:
            for member in archive.namelist():
                assert SECRET.encode("ascii") not in archive.read(member), member


class TestSize:
    DEPTH = 100000

    @pytest.mark.parametrize("where", ["packages", "elements", "port-name", "literal"])
    def test_deep_nesting(self, scene, where):
        source, output = scene
        if where == "packages":
            body = ("<AR-PACKAGES>%s</AR-PACKAGES>" % nested(
                "AR-PACKAGE", 1, "<SHORT-NAME>P</SHORT-NAME>" + nested("AR-PACKAGES", self.DEPTH)))
            text = document(body)
        elif where == "elements":
            text = document(model(["In_Deep"], elements=nested("ELEMENTS", self.DEPTH)))
        elif where == "port-name":
            text = document(model(["In_Deep" + nested("X", self.DEPTH)]).replace(
                "/Pkg/In_Deep" + nested("X", self.DEPTH), "/Pkg/In_Deep"))
        else:
            text = document(model(["In_Deep"], literals=["A" + nested("VT", self.DEPTH)]))
        (source / "Deep.arxml").write_bytes(text.encode("utf-8"))
        book = load_book(source, output)
        assert sorted(book.sheetnames) == ["Deep", "Good"]
        if where == "port-name":
            assert column(book["Deep"], "B") == ["In_Deep"]
        if where == "literal":
            assert column(book["Deep"], "H") == ["A"]

    def test_twenty_megabyte_text_nodes(self, scene):
        source, output = scene
        huge = "x" * (20 * 1024 * 1024)
        (source / "Huge.arxml").write_bytes(document(model(
            ["In_Big"], literals=["A", huge],
            elements="<SENDER-RECEIVER-INTERFACE><SHORT-NAME>%s</SHORT-NAME>"
                     "</SENDER-RECEIVER-INTERFACE>" % huge)).encode("ascii"))
        sheet = load_book(source, output, cuts=["Huge!H2"])["Huge"]
        (usage,) = column(sheet, "H")
        assert usage.startswith("A;xxxx") and len(usage) <= CELL_TEXT_LIMIT
        assert set(usage[2:]) == {"x"}

    def test_a_long_text_many_ports_share_is_cut_alike_in_each_of_their_cells(self, scene):
        source, output = scene
        literal = u"\u00e9" * 20000  # 40,000 bytes of UTF-8, 20,000 characters
        (source / "Shared.arxml").write_bytes(document(model(
            ["In_%d" % i for i in range(5)], literals=["A", literal, literal])).encode("utf-8"))
        sheet = load_book(source, output, cuts=["Shared!H%d" % row for row in range(2, 7)])["Shared"]
        usage = column(sheet, "H")
        assert len(set(usage)) == 1 and usage[0] == (u"A;" + literal + u";" + literal)[:CELL_TEXT_LIMIT]

    def test_twenty_megabyte_port_name(self, scene):
        source, output = scene
        name = "In_" + "y" * (20 * 1024 * 1024)
        (source / "Long.arxml").write_bytes(document(model([name])).encode("ascii"))
        sheet = load_book(source, output, cuts=["Long!B2", "Long!C2"])["Long"]
        (shown,) = column(sheet, "B")
        assert name.startswith(shown) and len(shown) <= CELL_TEXT_LIMIT

    def test_hundred_thousand_siblings(self, scene):
        source, output = scene
        count = 100000
        interfaces = "".join(
            "<SENDER-RECEIVER-INTERFACE><SHORT-NAME>If_%d</SHORT-NAME></SENDER-RECEIVER-INTERFACE>" % i
            for i in range(count))
        unknown = "<UNKNOWN-THING/>" * count
        names = "<SHORT-NAME>In_Many</SHORT-NAME>" * count          # a once-only child, repeated
        (source / "Wide.arxml").write_bytes(document(model(
            ["In_Many"], literals=["v%d" % i for i in range(count)], elements=unknown + interfaces,
            port_extra=names)).encode("ascii"))
        sheet = load_book(source, output, cuts=["Wide!H2"])["Wide"]
        assert column(sheet, "B") == ["In_Many"]
        (usage,) = column(sheet, "H")
        assert usage.startswith("v0;v1;v2;") and len(usage) <= CELL_TEXT_LIMIT


class TestNames:
    def test_long_file_and_port_names(self, scene):
        source, output = scene
        ports = ["In_" + "p" * 600, u"In_" + u"端口" * 300]
        models = ["M" * 240, u"模" * 80, u"模" * 79 + u"x"]   # with ".arxml", near the 255-byte limit
        for name in models:
            (source / (name + ".arxml")).write_bytes(document(model(ports)).encode("utf-8"))
        book = load_book(source, output)
        sheets = [s for s in book.worksheets if s.title != "Good"]
        assert len(sheets) == 3 and len(set(s.title.lower() for s in sheets)) == 3
        for sheet in sheets:
            assert len(sheet.title) <= SHEET_NAME_LIMIT
            assert column(sheet, "B") == ports
            assert column(sheet, "C") == ["p" * 600, u"端口" * 300]
            assert any(name.startswith(sheet.title.split("~")[0]) for name in models)

    FORMULA_LIKE = ["=1+1", "+SUM(A1:A9)", "-2+3", "@SUM(A1)", "=HYPERLINK(\"http://x\",\"y\")",
                    "http://example.com/x", "https://x", "ftp://x", "mailto:a@b.c", "external:x",
                    "internal:Sheet1!A1", " =1", "\t=1", "1e5", "0042", "TRUE", "#N/A", "_x0041_"]

    def test_texts_that_look_like_formulas_or_links_stay_text(self, scene):
        source, output = scene
        escaped = [t.replace("&", "&amp;").replace("\"", "&quot;") for t in self.FORMULA_LIKE]
        (source / "Links.arxml").write_bytes(document(model(
            ["In_" + t.replace("\"", "&quot;") for t in ["a", "=1+1", "http://x"]],
            literals=escaped)).encode("utf-8"))
        sheet = load_book(source, output)["Links"]
        assert column(sheet, "B") == ["In_a", "In_=1+1", "In_http://x"]
        assert column(sheet, "H") == [";".join(self.FORMULA_LIKE)] * 3
        for row in sheet.iter_rows(min_row=2):
            for cell in row:
                assert cell.hyperlink is None
                assert cell.value is None or cell.data_type == "s", cell.coordinate

    def test_formula_like_file_name(self, scene):
        source, output = scene
        (source / "=1+1.arxml").write_bytes(GOOD)
        sheet = load_book(source, output)["=1+1"]
        assert sheet["B2"].value == "In_Good"

    @pytest.mark.parametrize("name", [u"Ctl\x01", u"Non\ufffe"], ids=["control", "noncharacter"])
    def test_file_name_with_characters_xml_cannot_hold(self, scene, name):
        source, output = scene
        (source / (name + ".arxml")).write_bytes(GOOD)
        book = load_book(source, output)
        assert len(book.sheetnames) == 2

    @pytest.mark.parametrize("explicit_output", [False, True], ids=["default-output", "output-keyword"])
    def test_file_name_that_is_not_utf8(self, scene, explicit_output):
        source, output = scene
        raw = os.path.join(os.fsencode(str(source)), b"Bad\xff.arxml")
        with open(raw, "wb") as handle:
            handle.write(GOOD)
        options = {}
        if explicit_output:
            output = output.parent / "Explicit.xlsx"
            output.write_bytes(PREVIOUS)
            options["output"] = str(output)
        with warnings.catch_warnings():
            # A failed close leaves the workbook library's temporary files to the collector.
            warnings.simplefilter("ignore", ResourceWarning)
            try:
                Tessaly().load(str(source), **options)
                message = None
            except Exception as error:
                message = str(error)
            gc.collect()
        assert message is None, message
        book = openpyxl.load_workbook(str(output))
        assert len(book.sheetnames) == 2 and "Bad_" in book.sheetnames
        assert book["Bad_"]["B2"].value == "In_Good"
