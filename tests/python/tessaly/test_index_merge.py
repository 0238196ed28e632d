"""The project index reads its files apart (each on the worker that parsed it) and merges them in
listing order: across files, as within one, the first definition of a path must stay."""
import os

import pytest

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



def grow_file(n, with_late):
    types = [sp.value_type("GrowDup_T", compu="/GrowC/M%d" % n)]
    methods = [sp.compu_method("M%d" % n, ["from %d" % n])]
    if with_late:
        types.append(sp.value_type("GrowLate_T", compu="/GrowC/Late"))
        methods.append(sp.compu_method("Late", ["late"]))
    ports = [sp.port("R", "In_Dup", "/GrowI/If_Dup"), sp.port("R", "In_Late", "/GrowI/If_Late")]
    return sp.packages(
        sp.package("GrowP%d" % n, [sp.component("GrowSwc%d" % n, ports)]),
        sp.package("GrowI", [sp.sr_interface("If_Dup", [("v", "/GrowT/GrowDup_T")]),
                             sp.sr_interface("If_Late", [("v", "/GrowT/GrowLate_T")])]),
        sp.package("GrowT", types), sp.package("GrowC", methods))


def test_sheets_written_while_the_index_grows_see_what_the_complete_index_holds(tmp_path, monkeypatch):
    # Every file defines GrowDup_T anew; GrowLate_T only the last one listed: the first sheets are
    # written before the index holds it, and must wait for it rather than go without.
    import openpyxl
    from Velvane.Tessaly import Tessaly
    names = ["F%d.arxml" % n for n in range(6)]
    folder = sp.write_project(tmp_path / "p", {name: grow_file(n, False) for n, name in enumerate(names)})
    listing = [name for name in os.listdir(folder) if name.endswith(".arxml")]
    sp.write_project(folder, {listing[-1]: grow_file(names.index(listing[-1]), True)})  # keeps the order
    monkeypatch.chdir(str(tmp_path))
    Tessaly().load(folder, resolve="project", output="out.xlsx")
    first = names.index(listing[0])
    for sheet in openpyxl.load_workbook("out.xlsx").worksheets:
        assert [sheet["D2"].value, sheet["H2"].value, sheet["D3"].value, sheet["H3"].value] == \
            ["GrowDup_T", "from %d" % first, "GrowLate_T", "late"], sheet.title


@pytest.mark.parametrize("layout", ["split", "mixed"])
def test_a_growing_index_gives_the_workbook_of_one_built_whole(tmp_path, monkeypatch, layout):
    # A type source makes the run merge every file before the first sheet; an unrelated one changes
    # nothing else, so both workbooks must be the same cell for cell.
    import openpyxl
    import sys
    from Velvane.Tessaly import Tessaly
    from conftest import REPO
    sys.path.insert(0, os.path.join(REPO, "tools"))
    import gen_corpus
    corpus = str(tmp_path / "corpus")
    gen_corpus.generate(corpus, 6, 0.05, seed=3, layout=layout)
    unrelated = sp.write_project(tmp_path / "outside", {"Other.arxml": sp.packages(sp.package("Elsewhere"))})
    monkeypatch.chdir(str(tmp_path))
    books = []
    for name, sources in (("growing", []), ("whole", [unrelated])):
        Tessaly().load(corpus, resolve="project", output=name + ".xlsx", type_sources=sources)
        book = openpyxl.load_workbook(name + ".xlsx")
        books.append([(s.title, [[c.value for c in row] for row in s.iter_rows()]) for s in book.worksheets])
    assert books[0] == books[1] and sum(len(rows) for _, rows in books[0]) > 20
