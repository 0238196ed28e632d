"""Reading files: errors, hostile documents, encodings, memory."""
import codecs
import os
import re
import resource
import sys
import threading

import pytest

from Omdra.Corvenna import AUTOSAR_00048

from conftest import arxml_document

ParseError = AUTOSAR_00048.ParseError
PACKAGE = "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>%s</SHORT-NAME></AR-PACKAGE></AR-PACKAGES>"


def package_name(root):
    return root.AR_PACKAGES.AR_PACKAGE[0].SHORT_NAME.valueOf_


def test_parse_error_is_a_value_error():
    assert issubclass(ParseError, ValueError)


def test_missing_file_and_directory_raise_os_errors(tmp_path):
    missing = str(tmp_path / "nope.arxml")
    with pytest.raises(FileNotFoundError) as info:
        AUTOSAR_00048.parse(missing)
    assert info.value.filename == missing
    folder = tmp_path / "dir.arxml"
    folder.mkdir()
    with pytest.raises(IsADirectoryError):
        AUTOSAR_00048.parse(str(folder))


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads files whatever their mode")
def test_unreadable_file_raises_permission_error(write_arxml):
    path = write_arxml(PACKAGE % "P")
    os.chmod(path, 0)
    with pytest.raises(PermissionError):
        AUTOSAR_00048.parse(path)


@pytest.mark.parametrize("content, where, cause", [
    (b"", "1:1", "no document element"),
    (b"\x00\x01garbage\xff", "1:1", "nul"),
    (b"just text", None, "no document element"),
    (arxml_document(PACKAGE % "P").encode()[:-40], None, "end"),   # truncated
    (b'<?xml version="1.0"?>\n<AUTOSAR>\n  <AR-PACKAGES>\n    <X></Y>\n', "4:", "mismatch"),
    (b'<?xml version="1.0"?>\n<NOT-AUTOSAR/>\n', "2:1", "root element"),
    (b'<AUTOSAR><AR-PACKAGES>\xc3\x28</AR-PACKAGES></AUTOSAR>', "1:23", "utf-8"),
    (b'<AUTOSAR><AR-PACKAGES>a\x00b</AR-PACKAGES></AUTOSAR>', "1:24", "nul"),
    (b'<AUTOSAR><AR-PACKAGES>In_&#x00;X</AR-PACKAGES></AUTOSAR>', "1:26", "reference to nul"),
    (b'<?xml version="1.0" encoding="GBK"?>\n<AUTOSAR>\xb3\xb5</AUTOSAR>', "1:31", "unsupported encoding gbk"),
])
def test_bad_files_raise_parse_error_with_path_line_column(tmp_path, content, where, cause):
    path = tmp_path / "Bad.arxml"
    path.write_bytes(content)
    with pytest.raises(ParseError) as info:
        AUTOSAR_00048.parse(str(path))
    message = str(info.value)
    assert re.match(re.escape(str(path)) + r":\d+:\d+: ", message), message
    if where:
        assert message.startswith("%s:%s" % (path, where)), message
    assert cause in message.lower()
    error = info.value
    assert (error.filename, error.lineno, error.colno) == (str(path),) + tuple(
        int(n) for n in message[len(str(path)) + 1:].split(":")[:2])
    assert message.endswith(": " + error.cause)


BILLION_LAUGHS = """<?xml version="1.0"?>
<!DOCTYPE AUTOSAR [
 <!ENTITY lol "lol">
 <!ENTITY lol1 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
 <!ENTITY lol2 "&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;">
 <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
 <!ENTITY lol4 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
 <!ENTITY lol5 "&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;">
 <!ENTITY lol6 "&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;">
 <!ENTITY lol7 "&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;">
 <!ENTITY lol8 "&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;">
 <!ENTITY lol9 "&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;">
]>
<AUTOSAR><AR-PACKAGES><AR-PACKAGE><SHORT-NAME>&lol9;</SHORT-NAME></AR-PACKAGE></AR-PACKAGES></AUTOSAR>
"""


def test_entities_are_never_expanded(tmp_path):
    secret = tmp_path / "secret.txt"
    secret.write_text("TOP-SECRET")
    laughs = tmp_path / "laughs.arxml"
    laughs.write_text(BILLION_LAUGHS)
    assert package_name(AUTOSAR_00048.parse(str(laughs))) == "&lol9;"
    external = tmp_path / "external.arxml"
    external.write_text('<?xml version="1.0"?>\n<!DOCTYPE AUTOSAR [<!ENTITY x SYSTEM "file://%s">]>\n'
                        '<AUTOSAR><AR-PACKAGES><AR-PACKAGE><SHORT-NAME>&x;</SHORT-NAME></AR-PACKAGE>'
                        '</AR-PACKAGES></AUTOSAR>' % secret)
    name = package_name(AUTOSAR_00048.parse(str(external)))
    assert "TOP-SECRET" not in name and name == "&x;"


NAME = "Temp_\u00b0C_\u8f66\u95e8"


@pytest.mark.parametrize("codec, bom, newline", [
    ("utf-8", b"", "\n"),
    ("utf-8", codecs.BOM_UTF8, "\n"),
    ("utf-8", b"", "\r\n"),
    ("utf-16-le", codecs.BOM_UTF16_LE, "\r\n"),
    ("utf-16-be", codecs.BOM_UTF16_BE, "\n"),
])
def test_encodings_and_line_ends(tmp_path, codec, bom, newline):
    text = arxml_document(PACKAGE % NAME).replace('encoding="UTF-8"', 'encoding="%s"' % codec.upper()[:6])
    path = tmp_path / "Enc.arxml"
    path.write_bytes(bom + text.replace("\n", newline).encode(codec))
    assert package_name(AUTOSAR_00048.parse(str(path))) == NAME


@pytest.mark.parametrize("declared, codec, name", [
    ("ISO-8859-1", "latin-1", "5\u00b0C"),
    # The code page's own characters in 0x80-0x9F, not the C1 controls of Latin-1.
    ("windows-1252", "cp1252", "5\u00b0C \u20ac \u2019x\u2019 \u2013 \u0160"),
])
def test_single_byte_declared_files_are_decoded(tmp_path, declared, codec, name):
    text = '<?xml version="1.0" encoding="%s"?>\n<AUTOSAR>%s</AUTOSAR>' % (declared, PACKAGE % name)
    path = tmp_path / "Single.arxml"
    path.write_bytes(text.encode(codec))
    assert package_name(AUTOSAR_00048.parse(str(path))) == name
    # A fault after such characters is placed by characters, as in the same text written in UTF-8.
    broken = text.replace("</AUTOSAR>", "\n%s</X>" % name)
    places = []
    for data in (broken.encode(codec), broken.replace(declared, "UTF-8").encode("utf-8")):
        path.write_bytes(data)
        with pytest.raises(ParseError) as failure:
            AUTOSAR_00048.parse(str(path))
        places.append((failure.value.lineno, failure.value.colno))
    assert places[0] == places[1] and places[0][0] == 3


@pytest.mark.parametrize("declared", ["utf8", "Utf-8", "US-ASCII"])
def test_other_names_of_utf8_and_ascii_are_read(tmp_path, declared):
    path = tmp_path / "Named.arxml"
    path.write_bytes(('<?xml version="1.0" encoding="%s"?>\n<AUTOSAR>%s</AUTOSAR>' % (declared, PACKAGE % "P")).encode())
    assert package_name(AUTOSAR_00048.parse(str(path))) == "P"


def test_errors_in_utf16_files_point_at_the_right_line(tmp_path):
    path = tmp_path / "Broken16.arxml"
    path.write_bytes(codecs.BOM_UTF16_LE + "<AUTOSAR>\n<AR-PACKAGES>\n</X>".encode("utf-16-le"))
    with pytest.raises(ParseError, match=r":3:\d+: "):
        AUTOSAR_00048.parse(str(path))


def _rss_kb():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * resource.getpagesize() // 1024


@pytest.mark.skipif(os.environ.get("VELVANE_SANITIZED") == "1", reason="the sanitizer keeps freed memory")
def test_memory_returns_after_parse_and_drop(tmp_path):
    body = "<AR-PACKAGES>%s</AR-PACKAGES>" % "".join(
        "<AR-PACKAGE><SHORT-NAME>P%d</SHORT-NAME><ELEMENTS/></AR-PACKAGE>" % i for i in range(20000))
    path = str(tmp_path / "Big.arxml")
    with open(path, "w") as f:
        f.write(arxml_document(body))
    def parse_and_drop():
        return [p.SHORT_NAME.valueOf_ for p in AUTOSAR_00048.parse(path).AR_PACKAGES.AR_PACKAGE]

    for _ in range(10):
        names = parse_and_drop()
    before = _rss_kb()
    for _ in range(60):
        names = parse_and_drop()
    assert len(names) == 20000
    assert _rss_kb() - before < 2048
    AUTOSAR_00048._release_pool()
    assert AUTOSAR_00048._idle_pool_bytes() == 0


def test_parses_run_in_parallel_threads(tmp_path):
    paths = []
    for i in range(4):
        p = str(tmp_path / ("T%d.arxml" % i))
        with open(p, "w") as f:
            f.write(arxml_document(PACKAGE % ("T%d" % i)))
        paths.append(p)
    results, errors = {}, []

    def work(path):
        try:
            for _ in range(200):
                results[path] = package_name(AUTOSAR_00048.parse(path))
        except Exception as e:  # pragma: no cover - reported below
            errors.append(e)

    threads = [threading.Thread(target=work, args=(p,)) for p in paths]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    assert sorted(results.values()) == ["T0", "T1", "T2", "T3"]


def test_deep_nesting_parses_and_frees_without_stack_overflow(tmp_path):
    depth = 100000
    path = tmp_path / "Deep.arxml"
    path.write_text("<AUTOSAR>" + "<AR-PACKAGES><AR-PACKAGE>" * depth +
                    "</AR-PACKAGE></AR-PACKAGES>" * depth + "</AUTOSAR>")
    node = root = AUTOSAR_00048.parse(str(path))
    for _ in range(depth):
        node = node.AR_PACKAGES.AR_PACKAGE[0]
    del node, root                               # frees a 200,000-object chain
    assert sys.getrefcount(AUTOSAR_00048) > 0
