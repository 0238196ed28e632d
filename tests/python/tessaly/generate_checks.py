"""What the tests of `generate` check generated ARXML files and workbooks with: the schema table of
../shared/schema, the independent reader autosar-data, and the signal sheets' texts."""
import glob
import os
import xml.etree.ElementTree as ElementTree

import openpyxl
import pytest

from conftest import REPO

SCHEMA_TABLE = os.path.normpath(os.path.join(REPO, "..", "shared", "schema", "AUTOSAR_00048.tsv"))


def arxml_files(folder):
    return sorted(glob.glob(os.path.join(str(folder), "*.arxml")) +
                  glob.glob(os.path.join(str(folder), "Shared", "*.arxml")))


def signal_sheets(path):
    """{sheet: [row texts B..O]} of every sheet, header row included, empty cells as ""."""
    book = openpyxl.load_workbook(str(path), read_only=True)
    sheets = {}
    for sheet in book.worksheets:
        rows = []
        for values in sheet.iter_rows(values_only=True):
            cells = ["" if v is None else str(v) for v in values[1:15]]
            rows.append(cells + [""] * (14 - len(cells)))
        sheets[sheet.title] = rows
    book.close()
    return sheets


def load_schema():
    if not os.path.isfile(SCHEMA_TABLE):
        pytest.skip("../shared/schema/AUTOSAR_00048.tsv is not present")
    children, root = {}, None
    with open(SCHEMA_TABLE, encoding="utf-8") as table:
        for line in table:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "# root":
                root = int(fields[2])
            elif not fields[0].startswith("#"):
                children.setdefault(int(fields[0]), {})[fields[1]] = (int(fields[2]), fields[3] == "1")
    return root, children


def schema_problems(path, schema):
    """Every element of the file that its parent may not hold, or holds more often than allowed."""
    root_type, children = schema
    problems = []
    pending = [(ElementTree.parse(str(path)).getroot(), root_type)]
    while pending:
        element, kind = pending.pop()
        counts = {}
        for child in element:
            tag = child.tag.split("}")[-1]
            allowed = children.get(kind, {}).get(tag)
            if allowed is None:
                problems.append("%s in %s" % (tag, element.tag.split("}")[-1]))
                continue
            counts[tag] = counts.get(tag, 0) + 1
            if counts[tag] > 1 and not allowed[1]:
                problems.append("%s repeated in %s" % (tag, element.tag.split("}")[-1]))
            pending.append((child, allowed[0]))
    return problems


def reader_problems(folder):
    """What autosar-data says of the files loaded strictly into one model: references that lead
    nowhere, and elements whose children stand out of the schema's order."""
    autosar_data = pytest.importorskip("autosar_data")
    model = autosar_data.AutosarModel()
    for path in arxml_files(folder):
        model.load_file(path, True)
    problems = ["reference %s" % element.xml_path for element in model.check_references()]
    for _, element in model.elements_dfs:
        kind = element.element_type
        if kind.content_mode != autosar_data.ContentMode.Sequence:
            continue
        order = [spec.element_name for spec in kind.sub_elements_spec]
        names = [child.element_name for child in element.sub_elements]
        positions = [order.index(name) for name in names]
        if positions != sorted(positions):
            problems.append("order %s: %s" % (element.xml_path, names))
    return problems
