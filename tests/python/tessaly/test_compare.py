"""Tessaly.compare(old, new): two deliveries of a split project compared signal by signal, from one
edit of each kind and edits that must list nothing, to files that cannot be read."""
import os

import pytest

from Velvane.Tessaly import Changes, compare

import deliveries
import split_projects as sp


@pytest.fixture
def pair(tmp_path):
    return deliveries.write_deliveries(tmp_path)


def test_one_edit_of_each_kind_gives_its_row_and_nothing_else(pair):
    old, new = pair
    changes = compare(old, new)
    assert isinstance(changes, Changes) and changes.skipped == []
    assert [tuple(change) for change in changes] == deliveries.CHANGES
    assert changes[0]._fields == ("component", "port", "direction", "change", "old", "new")
    # The other way round every row turns over: added and removed trade places, old and new too.
    turned = {"added": "removed", "removed": "added"}
    back = [(c, p, d, " ".join(change.split()[:-1] + [turned.get(change.split()[-1], change.split()[-1])]), n, o)
            for c, p, d, change, o, n in deliveries.CHANGES]
    assert sorted(tuple(change) for change in compare(new, old)) == sorted(back)


def test_identical_deliveries_and_a_delivery_with_itself_give_no_rows(pair, tmp_path):
    old, _ = pair
    again = sp.write_project(tmp_path / "again", deliveries.delivery(False))
    assert compare(old, again) == [] and compare(old, old) == []


def test_files_that_cannot_be_read_end_the_call_or_are_left_out_of_their_side(pair, tmp_path):
    old, new = pair
    broken = os.path.join(new, "Broken.arxml")
    with open(broken, "w") as f:
        f.write("<?xml version='1.0'?>\n<AUTOSAR>\n  <AR-PACKAGES>\n</AUTOSAR>\n")
    output = tmp_path / "changes.xlsx"
    with pytest.raises(ValueError) as raised:
        compare(old, new, output=output)
    assert (raised.value.filename, raised.value.lineno) == (broken, 4)
    assert sorted(os.listdir(str(tmp_path))) == ["new", "old"]  # no workbook, no temporary file

    os.remove(os.path.join(old, "Body.arxml"))
    changes = compare(old, new, on_error="skip", output=output)
    ((side, path, error),) = changes.skipped
    assert (side, path, error.lineno) == ("new", broken, 4)
    # Without its composition file the earlier delivery lacks Body: the rest compares as before.
    assert [tuple(c) for c in changes] == [("Body", "", "", "component added", "", "/Top/Body")] + \
        deliveries.CHANGES[2:]
    assert output.is_file()


def test_type_sources_serve_both_sides_and_recursive_reads_folders(pair, tmp_path):
    old, new = pair
    # The earlier delivery's data types in a folder of their own serve both sides; the composition
    # goes one folder down.
    shared = sp.write_project(tmp_path / "shared", {"Types.arxml": deliveries.delivery(False)["Types.arxml"]})
    for side in (old, new):
        os.remove(os.path.join(side, "Types.arxml"))
        os.makedirs(os.path.join(side, "deep"))
        os.rename(os.path.join(side, "Body.arxml"), os.path.join(side, "deep", "Body.arxml"))
    expected = [row for row in deliveries.CHANGES if row[1] not in ("In_Gear", "In_Pos", "In_Press")]
    expected[expected.index(("Door", "Out_State", "output", "values changed", "", "P;R;N;D;S"))] = \
        ("Door", "Out_State", "output", "values changed", "", "P;R;N;D")
    assert [tuple(c) for c in compare(old, new, recursive=True, type_sources=[shared])] == expected
    assert [tuple(c) for c in compare(old, new, type_sources=shared)] == expected[2:]


def test_options_are_checked_before_any_work(pair, tmp_path):
    old, new = pair
    with pytest.raises(ValueError):
        compare(old, new, on_error="ignore")
    with pytest.raises(FileNotFoundError):
        compare(old, new, type_sources=[str(tmp_path / "nowhere")])
    with pytest.raises(FileNotFoundError):
        compare(old, str(tmp_path / "nowhere"))
    with pytest.raises(TypeError):
        compare(old.encode(), new)
    with pytest.raises(ValueError):
        compare(old, new, output="")
