"""The project index reads its files apart (each on the worker that parsed it) and merges them in
listing order: across files, as within one, the first definition of a path must stay."""
import os

from Velvane.Tessaly import _ProjectTypes

import split_projects as sp


def test_across_many_files_the_first_definition_in_listing_order_stays(tmp_path):
    files = {}
    for n in range(8):
        files["F%d.arxml" % n] = sp.packages(
            sp.package("T", [sp.value_type("Dup_T", compu="/C/M%d" % n)]),
            sp.package("C", [sp.compu_method("M%d" % n, ["from F%d" % n])]))
    folder = sp.write_project(tmp_path / "p", files)
    first = [name for name in os.listdir(folder) if name.endswith(".arxml")][0]
    project = _ProjectTypes(folder)
    assert project.data_type("/T/Dup_T")["text"] == "from " + first[:-len(".arxml")]
