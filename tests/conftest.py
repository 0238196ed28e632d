"""Shared fixtures: hand-written ARXML documents and the public sample files."""
import os
import textwrap

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
EXAMPLES = os.path.join(REPO, "examples")
SHARED_ARXML = os.path.normpath(os.path.join(REPO, "..", "shared", "arxml"))

NAMESPACE = "http://autosar.org/schema/r4.0"
HEADER = '<?xml version="1.0" encoding="UTF-8"?>\n'


def arxml_document(body, schema="AUTOSAR_00048.xsd"):
    """A complete ARXML text whose AUTOSAR root holds `body` (usually an AR-PACKAGES element)."""
    return (HEADER + '<AUTOSAR xmlns="%s" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" '
            'xsi:schemaLocation="%s %s">\n%s\n</AUTOSAR>\n'
            % (NAMESPACE, NAMESPACE, schema, textwrap.dedent(body).strip()))


@pytest.fixture
def write_arxml(tmp_path):
    """write_arxml(body, name="Model.arxml", directory=None) -> path of a new ARXML file."""
    def write(body, name="Model.arxml", directory=None, raw=False):
        folder = directory if directory is not None else tmp_path
        os.makedirs(str(folder), exist_ok=True)
        path = os.path.join(str(folder), name)
        data = body if raw else arxml_document(body)
        mode = "wb" if isinstance(data, bytes) else "w"
        with open(path, mode, **({} if mode == "wb" else {"encoding": "utf-8", "newline": ""})) as f:
            f.write(data)
        return path
    return write


def shared_arxml_files():
    if not os.path.isdir(SHARED_ARXML):
        return []
    return sorted(os.path.join(SHARED_ARXML, n) for n in os.listdir(SHARED_ARXML) if n.endswith(".arxml"))


def shared_arxml_params():
    """Parameters for a test run once per public sample file (one skipped case when absent)."""
    files = shared_arxml_files()
    if not files:
        return [pytest.param(None, marks=pytest.mark.skip(reason="../shared/arxml is not present"))]
    return [pytest.param(f, id=os.path.basename(f)) for f in files]


@pytest.fixture
def shared_arxml_dir():
    if not shared_arxml_files():
        pytest.skip("the public sample files (../shared/arxml) are not present")
    return SHARED_ARXML
