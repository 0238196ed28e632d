"""Velvane.Tessaly as a module: what importing it needs and the key lists it defines."""
import os
import subprocess
import sys
import textwrap

import pytest
import xlsxwriter.workbook

import Velvane.Tessaly as tessaly_module
from Velvane.Pellinor import Pellinor
from conftest import EXAMPLES

INIT = "INIT-VALUE\nAPPLICATION-VALUE-SPECIFICATION\n"
PROPS = "SW-DATA-DEF-PROPS\nSW-DATA-DEF-PROPS-VARIANTS\nSW-DATA-DEF-PROPS-CONDITIONAL\n"
ELEMENT = "DATA-ELEMENTS\nVARIABLE-DATA-PROTOTYPE\n"
SIGNAL = "   Mapped System Signal   "

KEY_LISTS = {
    "table1List": ["SWC-NAME", "SHORT-NAME", SIGNAL, "DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE",
                   "USES-END-TO-END-PROTECTION", "ALIVE-TIMEOUT", "ENABLE-UPDATE", "HANDLE-NEVER-RECEIVED",
                   "HANDLE-TIMEOUT-TYPE", INIT + "SHORT-LABEL", INIT + "CATEGORY",
                   INIT + "SW-VALUE-CONT\nUNIT-REF", INIT + "SW-VALUE-CONT\nSW-VALUES-PHYS\nV",
                   "REQUIRED-INTERFACE-TREF", ""],
    "table2List": ["SWC-NAME", "SHORT-NAME", SIGNAL, "DATA-ELEMENT-REF", "HANDLE-OUT-OF-RANGE",
                   "USES-END-TO-END-PROTECTION", INIT + "SHORT-LABEL", INIT + "CATEGORY",
                   INIT + "SW-VALUE-CONT\nUNIT-REF", INIT + "SW-VALUE-CONT\nSW-VALUES-PHYS\nV",
                   "PROVIDED-INTERFACE-TREF", ""],
    "table3List": ["SWC-NAME", "SHORT-NAME", "PORT-PROTOTYPE-REF", "TARGET-DATA-PROTOTYPE-REF", ""],
    "table4List": ["SWC-NAME", "SHORT-NAME", "CATEGORY", PROPS + "BASE-TYPE-REF", PROPS + "COMPU-METHOD-REF", ""],
    "table5List": ["SWC-NAME", "SHORT-NAME", "CATEGORY", "BASE-TYPE-SIZE", "BASE-TYPE-ENCODING",
                   "NATIVE-DECLARATION", ""],
    "table6List": ["SWC-NAME", "SHORT-NAME", "IS-SERVICE", ELEMENT + "SHORT-NAME", ELEMENT + "CATEGORY",
                   ELEMENT + PROPS + "SW-CALIBRATION-ACCESS", ELEMENT + PROPS + "SW-IMPL-POLICY",
                   ELEMENT + "TYPE-TREF", ""],
    "table7List": ["name", "longIdentifier", "tableConversionType", "Table Element",
                   "DEFAULT_VALUE(display_string)", ""],
    "table8List": ["groupName", "groupLongIdentifier", "ROOT", "REF_MEASUREMENT", "REF_CHARACTERISTIC",
                   "SUB_GROUP", ""],
    "table9List": ["name", "longIdentifier", "IN_MEASUREMENT", "OUT_MEASUREMENT", "REF_CHARACTERISTIC",
                   "SUB_FUNCTION", ""],
}


@pytest.mark.parametrize("name", sorted(KEY_LISTS))
def test_key_lists(name):
    keys = getattr(tessaly_module, name)
    assert type(keys) is list and all(type(k) is str for k in keys)
    assert keys == KEY_LISTS[name]


def test_imported_names_are_module_attributes():
    assert tessaly_module.Pellinor is Pellinor
    assert tessaly_module.Workbook is xlsxwriter.workbook.Workbook
    assert tessaly_module.os is os


def test_tessaly_takes_no_arguments():
    tessaly_module.Tessaly()
    with pytest.raises(TypeError):
        tessaly_module.Tessaly("x")


def run_import(prelude):
    """Imports Velvane.Tessaly in a fresh interpreter after `prelude`; returns its report line, which
    names the import error and the failure that caused it."""
    code = textwrap.dedent(prelude) + textwrap.dedent("""
        try:
            import Velvane.Tessaly
        except ImportError as error:
            print("ImportError: %s (%s); loaded=%s"
                  % (error, error.__cause__, "Velvane.Tessaly" in sys.modules))
        else:
            print("imported")
    """)
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    done = subprocess.run([sys.executable, "-c", "import sys\n" + code], env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True)
    assert done.returncode == 0, done.stderr
    return done.stdout.strip()


@pytest.mark.parametrize("prelude, message", [
    ("import types\nsys.modules['Velvane.Pellinor'] = types.ModuleType('Velvane.Pellinor')",
     "cannot import name 'Pellinor'"),
    ("sys.modules['Velvane.Pellinor'] = None", "Velvane.Pellinor"),
])
def test_a_failed_import_fails_the_module(prelude, message):
    report = run_import(prelude)
    assert report.startswith("ImportError") and message in report
    assert report.endswith("loaded=False")


@pytest.mark.parametrize("prelude, message", [
    ("sys.modules['xlsxwriter.workbook'] = None", "xlsxwriter.workbook"),
    ("sys.modules['xlsxwriter'] = None", "xlsxwriter"),
    ("import types, xlsxwriter\nsys.modules['xlsxwriter.workbook'] = types.ModuleType('xlsxwriter.workbook')",
     "cannot import name 'Workbook'"),
])
def test_xlsxwriter_is_needed_only_by_the_python_writer(prelude, message, tmp_path):
    """Without xlsxwriter the module imports and load writes natively; reading Workbook raises the
    ImportError that importing it raises."""
    report = run_import(prelude + textwrap.dedent("""
        import Velvane.Tessaly
        Velvane.Tessaly.Tessaly().load(%r, output=%r)
        try:
            Velvane.Tessaly.Workbook
        except ImportError as error:
            print("ImportError: %%s" %% error)
    """ % (EXAMPLES, str(tmp_path / "out.xlsx"))))
    assert report.startswith("ImportError") and message in report and report.endswith("imported"), report
    assert (tmp_path / "out.xlsx").stat().st_size > 0


def test_xlsxwriter_is_imported_when_workbook_is_first_read():
    report = run_import("""
        import Velvane.Tessaly
        print("before:", "xlsxwriter" in sys.modules, "Workbook" in dir(Velvane.Tessaly))
        import xlsxwriter.workbook
        print("read:", Velvane.Tessaly.Workbook is xlsxwriter.workbook.Workbook)
    """)
    assert report.splitlines()[:2] == ["before: False True", "read: True"], report


def test_import_in_a_fresh_interpreter():
    assert run_import("") == "imported"
