"""What the package ships for its users beside the code: type stubs that match the modules, py.typed,
docstrings shown by help(), the console script and the version."""
import ast
import importlib
import os
import re
import subprocess
import sys

import pytest

import Velvane

from conftest import REPO

PYPROJECT = os.path.join(REPO, "pyproject.toml")
MODULES = ["Velvane.Pellinor", "Velvane.Tessaly", "Omdra.Corvenna.AUTOSAR_00048"]
# Names the modules hold for their own use and the stubs leave out.
RUNTIME_ONLY = {"Velvane.Tessaly": {"os"}}
# Attributes an instance gets (an analyser from its first walk, compare's result), absent from the class.
INSTANCE_ONLY = {"Pellinor": {"enumList"}, "Changes": {"skipped"}}


def stub_of(module):
    path = os.path.join(os.path.dirname(module.__file__), module.__name__.rsplit(".", 1)[1] + ".pyi")
    with open(path, encoding="utf-8") as f:
        return ast.parse(f.read(), path)


def public(names):
    return {n for n in names if not n.startswith("_")}


def stub_names(body):
    names = set()
    for node in body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
        elif isinstance(node, ast.Assign):
            names.update(t.id for t in node.targets)
        elif isinstance(node, ast.ImportFrom):
            names.update(a.asname for a in node.names if a.asname == a.name)  # explicit re-exports
    return public(names)


def stub_parameters(body):
    """Method name -> parameter names, over all overloads."""
    parameters = {}
    for node in body:
        if isinstance(node, ast.FunctionDef):
            args = node.args
            names = [a.arg for a in args.args + args.kwonlyargs]
            parameters.setdefault(node.name, [])
            parameters[node.name] += [n for n in names if n not in parameters[node.name]]
    return parameters


def runtime_parameters(function):
    """Parameter names from the signature line that opens a native function's docstring."""
    first = function.__doc__.splitlines()[0]
    inside = re.match(r"\w+\((.*)\) ->", first).group(1)
    names = [re.split(r"[:=]", part.strip())[0] for part in inside.split(",")]
    return [n for n in names if n not in ("*", "")]


@pytest.mark.parametrize("name", MODULES)
def test_stub_declares_what_the_module_has(name):
    module = importlib.import_module(name)
    stub = stub_of(module)
    assert stub_names(stub.body) == public(dir(module)) - RUNTIME_ONLY.get(name, set())
    for node in stub.body:
        if not isinstance(node, ast.ClassDef):
            continue
        cls = getattr(module, node.name)
        declared = stub_names(node.body)
        if name.endswith("AUTOSAR_00048"):
            continue  # element attributes are the ARXML tags: read through __getattr__
        if issubclass(cls, BaseException):
            continue  # warnings and errors add nothing to what they inherit
        inherited = set()  # a named tuple's count and index, a list's methods
        for base in (tuple, list):
            if issubclass(cls, base):
                inherited = public(dir(base))
        assert declared == (public(dir(cls)) - inherited) | INSTANCE_ONLY.get(node.name, set()), node.name
        for method, parameters in stub_parameters(node.body).items():
            if not method.startswith("__"):
                assert parameters == runtime_parameters(getattr(cls, method)), method


@pytest.mark.parametrize("name", MODULES)
def test_stub_and_marker_are_installed_beside_the_module(name):
    module = importlib.import_module(name)
    folder = os.path.dirname(module.__file__)
    assert os.path.isfile(os.path.join(folder, name.rsplit(".", 1)[1] + ".pyi"))
    package = importlib.import_module(name.split(".")[0])
    assert os.path.isfile(os.path.join(os.path.dirname(package.__file__), "py.typed"))


def public_callables(name):
    module = importlib.import_module(name)
    yield name, module
    for attribute in sorted(public(dir(module)) - RUNTIME_ONLY.get(name, set())):
        value = getattr(module, attribute)
        if getattr(value, "__module__", None) != name:
            continue  # imported from elsewhere: documented where it is defined
        if callable(value):
            yield "%s.%s" % (name, attribute), value
        if isinstance(value, type):
            for member in sorted(public(vars(value))):
                if callable(getattr(value, member)):
                    yield "%s.%s.%s" % (name, attribute, member), getattr(value, member)


@pytest.mark.parametrize("qualified, thing", [c for n in MODULES for c in public_callables(n)],
                         ids=lambda v: v if isinstance(v, str) else "")
def test_everything_public_has_a_docstring_beyond_its_signature(qualified, thing):
    doc = thing.__doc__ or ""
    lines = [line for line in doc.splitlines() if line.strip()]
    described = [line for line in lines if not re.match(r"^\w+\(.*\)( ->.*)?$", line)]
    assert described, qualified


def test_load_documents_its_options():
    from Velvane.Tessaly import Tessaly
    doc = Tessaly.load.__doc__
    for option in ("output:", "on_error:", "progress:", "'skip'"):
        assert option in doc
    assert "_stats" not in doc


def pyproject():
    if not os.path.isfile(PYPROJECT):
        pytest.skip("pyproject.toml is not beside the tests")
    with open(PYPROJECT, encoding="utf-8") as f:
        return f.read()


def test_console_script_points_at_the_command_and_the_version_matches():
    text = pyproject()
    scripts = re.search(r"^\[project\.scripts\]\n(.*?)(?:^\[|\Z)", text, re.M | re.S).group(1)
    target = re.search(r'^velvane\s*=\s*"([\w.]+):(\w+)"', scripts, re.M)
    assert target, scripts
    main = getattr(importlib.import_module(target.group(1)), target.group(2))
    from Velvane import _program
    assert main is _program.main  # which takes the signals in hand, then runs Velvane.cli.main
    assert re.search(r'^version\s*=\s*"([^"]+)"', text, re.M).group(1) == Velvane.__version__


def test_installed_script_runs():
    script = os.path.join(os.path.dirname(sys.executable), "velvane")
    if not os.path.isfile(script):
        pytest.skip("the package is not installed in this interpreter's environment")
    done = subprocess.run([script, "--version"], stdout=subprocess.PIPE, universal_newlines=True, timeout=60)
    assert (done.returncode, done.stdout.strip()) == (0, "velvane " + Velvane.__version__)
