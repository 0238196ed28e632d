"""The module's import surface and the analyser class: attributes, shared tables, argument names."""
import os
import subprocess
import sys

import pytest

import Velvane
import Velvane.Pellinor as module
from Velvane.Pellinor import Pellinor
from pellinor_doubles import DATA_ARRAY, FakeBinding, Node, text


def import_with(tmp_path, corvenna_init):
    """Imports Velvane.Pellinor in a fresh interpreter that sees a fake Omdra package (or none)."""
    os.symlink(os.path.dirname(Velvane.__file__), str(tmp_path / "Velvane"))
    if corvenna_init is not None:
        (tmp_path / "Omdra" / "Corvenna").mkdir(parents=True)
        (tmp_path / "Omdra" / "__init__.py").write_text(u"")
        (tmp_path / "Omdra" / "Corvenna" / "__init__.py").write_text(corvenna_init)
    env = dict(os.environ, PYTHONPATH=str(tmp_path))
    code = ("import sys\ntry:\n    import Velvane.Pellinor as m\nexcept ImportError as e:\n"
            "    print(type(e).__name__, e); sys.exit(0)\nprint(m.AUTOSAR_00048, m.Pellinor.__name__)")
    # -S: no site-packages, where an installed Omdra would stand in for the missing one.
    return subprocess.check_output([sys.executable, "-S", "-c", code], env=env, cwd=str(tmp_path),
                                   universal_newlines=True).strip()


@pytest.mark.parametrize("corvenna_init, output", [
    (None, "ModuleNotFoundError No module named 'Omdra'"),
    (u"", "ImportError cannot import name AUTOSAR_00048"),
    (u"AUTOSAR_00048 = 'stand-in'", "stand-in Pellinor"),
])
def test_import_of_the_schema_binding(tmp_path, corvenna_init, output):
    assert import_with(tmp_path, corvenna_init) == output


def test_a_new_analyser_reads_the_class_values():
    a = Pellinor()
    assert (a.name, a.modelName, a.RUNNABLE_ENTITY_Name_Dict) == ("", "", {})
    for attribute in ("p_portList", "r_portList", "sr_interfaceList", "ImplementationDataTypesList",
                      "SwBaseTypesList", "runnablesList"):
        assert getattr(a, attribute) == []
    assert not hasattr(a, "enumList")
    a.modelName = "Door"
    assert Pellinor().modelName == "" and Pellinor.modelName == ""


def test_the_four_tables_are_shared_class_attributes():
    a, b = Pellinor(), Pellinor()
    for attribute, kind in [("structValDict", dict), ("arrayValList", list), ("enumValList", dict),
                            ("enumDict", dict)]:
        table = getattr(Pellinor, attribute)
        assert type(table) is kind and getattr(a, attribute) is table and getattr(b, attribute) is table


@pytest.mark.parametrize("method, arguments", [
    ("readArxml", {"path": "p", "dataArray": DATA_ARRAY}),
    ("analysisWith00048", {"path": "p", "dataArray": DATA_ARRAY}),
    ("getArray", {"tableList": [], "dataList": []}),
    ("invokeData", {"obj": None, "key": "x"}),
    ("set_structDict", {"dataList": []}),
    ("set_ArrayList", {"dataList": []}),
    ("set_enumDcit", {"dataList": []}),
    ("setEnum", {"dataList": []}),
])
def test_argument_names(monkeypatch, method, arguments):
    monkeypatch.setattr(module, "AUTOSAR_00048", FakeBinding(Node(AR_PACKAGES=Node(AR_PACKAGE=[]))))
    monkeypatch.setattr(Pellinor, "RUNNABLE_ENTITY_Name_Dict", {})
    by_keyword = getattr(Pellinor(), method)(**arguments)
    assert getattr(Pellinor(), method)(*arguments.values()) == by_keyword
    with pytest.raises(TypeError):
        getattr(Pellinor(), method)(*arguments.values(), extra=1)


def test_the_walk_uses_the_current_module_level_binding(monkeypatch):
    port = Node(SHORT_NAME=text("R"), REQUIRED_COM_SPECS=None, REQUIRED_INTERFACE_TREF=text("/If"))
    swc = Node(SHORT_NAME=text("Door"), PORTS=Node(R_PORT_PROTOTYPE=[port], P_PORT_PROTOTYPE=[]),
               INTERNAL_BEHAVIORS=Node(SWC_INTERNAL_BEHAVIOR=[]))
    top = Node(SHORT_NAME=text("Top"), ELEMENTS=Node(APPLICATION_SW_COMPONENT_TYPE=[swc]))
    binding = FakeBinding(Node(AR_PACKAGES=Node(AR_PACKAGE=[top])))
    monkeypatch.setattr(module, "AUTOSAR_00048", binding)
    results = Pellinor().readArxml(dataArray=DATA_ARRAY, path="some/where.arxml")
    assert binding.calls == [("some/where.arxml", True)]
    assert results[1] == [["Door", "R"] + [""] * 12 + ["/If", ""]]
    monkeypatch.delattr(module, "AUTOSAR_00048")
    with pytest.raises(NameError):
        Pellinor().readArxml("some/where.arxml", DATA_ARRAY)


def test_the_walk_alone_adds_to_the_map_it_finds(monkeypatch):
    monkeypatch.setattr(module, "AUTOSAR_00048", FakeBinding(Node(AR_PACKAGES=Node(AR_PACKAGE=[]))))
    monkeypatch.setattr(Pellinor, "RUNNABLE_ENTITY_Name_Dict", {})
    a = Pellinor()
    a.modelName = "A"
    a.analysisWith00048("f.arxml", DATA_ARRAY)
    assert Pellinor().RUNNABLE_ENTITY_Name_Dict == {"A": []}
    a.readArxml("f.arxml", DATA_ARRAY)
    assert a.RUNNABLE_ENTITY_Name_Dict is not Pellinor.RUNNABLE_ENTITY_Name_Dict


def test_a_failing_walk_replaces_the_runnable_map_first(monkeypatch):
    monkeypatch.setattr(module, "AUTOSAR_00048", FakeBinding(Node(AR_PACKAGES=None)))
    a = Pellinor()
    a.RUNNABLE_ENTITY_Name_Dict = {"old": ["x"]}
    with pytest.raises(AttributeError):
        a.readArxml("f.arxml", DATA_ARRAY)
    assert a.RUNNABLE_ENTITY_Name_Dict == {}
