"""bench/native's bare_pugixml: parses like the binding, reports machine-readable figures, and never
reports a figure for a file it could not parse."""
import os
import re
import shutil
import subprocess
import sys

import pytest

from conftest import REPO

NATIVE = os.path.join(REPO, "bench", "native")
EXAMPLE = os.path.join(REPO, "examples", "DoorLock_Model.arxml")

sys.path.insert(0, os.path.join(REPO, "bench"))
sys.path.insert(0, os.path.join(REPO, "tools"))


def option_expression(path, name):
    with open(path, encoding="utf-8") as f:
        source = f.read()
    m = re.search(name + r"\s*=\s*([^;]+);", source)
    assert m, "%s not found in %s" % (name, path)
    return sorted(part.strip() for part in m.group(1).split("|"))


def test_parse_options_match_the_binding():
    binding = os.path.join(REPO, "src", "core", "arxml", "document_loader.cpp")
    ours = option_expression(os.path.join(NATIVE, "parse_options.hpp"), "kParseOptions")
    assert ours == option_expression(binding, "kParseOptions")
    assert "pugi::parse_doctype" not in ours


@pytest.fixture(scope="module")
def bare_pugixml(tmp_path_factory):
    if not shutil.which("cmake"):
        pytest.skip("cmake is not installed")
    build = str(tmp_path_factory.mktemp("bench-native"))
    configure = subprocess.run(["cmake", "-S", NATIVE, "-B", build], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, universal_newlines=True)
    if configure.returncode != 0 and "pugixml" in configure.stdout:
        pytest.skip("pugixml's CMake package is not installed")
    assert configure.returncode == 0, configure.stdout
    subprocess.check_call(["cmake", "--build", build, "-j", "2"], stdout=subprocess.DEVNULL)
    return os.path.join(build, "bare_pugixml")


def test_reports_three_ways_for_the_same_bytes(bare_pugixml):
    import bench_parse
    out = subprocess.check_output([bare_pugixml, "--rounds", "2", EXAMPLE, EXAMPLE], universal_newlines=True)
    size = os.path.getsize(EXAMPLE)
    modes = re.findall(r"^mode=(\S+) mb_per_s=[0-9.]+ best_s=[0-9.]+ files=2 bytes=(\d+) rounds=2$", out, re.M)
    assert [m for m, _ in modes] == ["load_file", "load_buffer", "inplace_reused"]
    assert all(int(b) == 2 * size for _, b in modes)
    figures = bench_parse.run_native(bare_pugixml, [EXAMPLE], 1)
    assert sorted(figures) == ["inplace_reused", "load_buffer", "load_file"]
    assert all(v > 0 for v in figures.values())


@pytest.mark.parametrize("content", [b"<AUTOSAR><AR-PACKAGES></AUTOSAR>", None], ids=["malformed", "missing"])
def test_a_file_it_cannot_parse_fails_the_run(bare_pugixml, tmp_path, content):
    path = tmp_path / "Broken.arxml"
    if content is not None:
        path.write_bytes(content)
    run = subprocess.run([bare_pugixml, EXAMPLE, str(path)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         universal_newlines=True)
    assert run.returncode == 1
    assert "mode=" not in run.stdout
    assert "Broken.arxml" in run.stderr
