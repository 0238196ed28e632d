"""The package walk of readArxml on hand-written ARXML read through the schema binding."""
import pytest

from Velvane.Pellinor import Pellinor
from pellinor_doubles import (DATA_ARRAY, behaviour, base_type, component, compu_method, data_type,
                                   interface, package, packages, runnable)


@pytest.fixture
def analyse(write_arxml):
    """analyse(body, analyser=None) -> (analyser, six results), the way the loader runs a file."""
    def run(body, analyser=None, data_array=DATA_ARRAY):
        if analyser is None:
            analyser = Pellinor()
            analyser.modelName = ""
        return analyser, analyser.readArxml(write_arxml(body), data_array)
    return run


def names(records):
    return [r[1] for r in records]


def element_names(elements):
    return [e.SHORT_NAME.valueOf_ for e in elements]


def test_component_in_a_top_level_package(analyse):
    a, (interfaces, rports, pports, accesses, base_types, data_types) = analyse(packages(package(
        "Swc", component("Door", ["R1", "R2"], ["P1"], behaviour("IB1") + behaviour("IB2")))))
    assert (a.name, a.modelName) == ("Swc", "Door")
    assert element_names(a.runnablesList) == ["IB1", "IB2"]
    assert a.RUNNABLE_ENTITY_Name_Dict == {"Door": []}
    assert rports[0] == ["Door", "R1", "", "/Ifc/If/De", "", "", "0", "", "false", "", "Init", "", "", "1",
                         "/Ifc/R1", ""]
    assert names(rports) == ["R1", "R2"]
    assert pports == [["Door", "P1", "", "", "", "", "", "", "", "", "/Ifc/P1", ""]]
    assert accesses == [["Door", "IB1", "", "", ""], ["Door", "IB2", "", "", ""]]
    assert interfaces == base_types == data_types == []


def test_component_in_sub_packages_collects_runnables(analyse):
    first = component("First", behaviours=behaviour("IB", runnable("RA", receive=["x"])))
    seat = component("Seat", ["R"], behaviours=behaviour("IB", "".join([
        runnable("Run1", receive=["a1", "a2"], send=["s1"]),
        runnable("Run2", receive=["a3"]),
        runnable("Run3", send=["s2"])])))
    a, results = analyse(packages(package("Top", subs="".join([
        package("Types", elements=""),       # no component: its visit fails, the search goes on
        package("A", first),                 # a component without ports: the search goes on
        package("B", seat),
        package("Later", component("Other", ["X"]))]))))
    assert (a.name, a.modelName) == ("B", "Seat")
    assert names(results[1]) == ["R"]
    assert a.RUNNABLE_ENTITY_Name_Dict == {"Seat": ["RA", "Run1", "Run2", "Run3"]}
    assert names(results[3]) == ["x", "a1", "a2", "s1", "a3", "s2"]
    assert results[3][1] == ["Seat", "a1", "/P/a1", "/D/a1", ""]


def test_component_without_internal_behaviors_keeps_earlier_runnables(analyse):
    a = Pellinor()
    a.modelName = ""
    a.runnablesList = ["kept"]
    _, results = analyse(packages(package(
        "Top", component("Door", ["R"], behaviours=None), subs=package("Sub", component("Hidden", ["H"])))), a)
    assert a.modelName == "Door" and names(results[1]) == ["R"]
    assert a.runnablesList == ["kept"]
    assert results[3] == [["Door", "", "", "", ""]]


def test_runnables_of_a_component_in_a_sub_package_with_their_accesses_in_order(analyse):
    runnables = "".join(runnable("Run%d" % i, receive=["r%d" % i], send=["s%da" % i, "s%db" % i]) for i in range(40))
    a, results = analyse(packages(package("Top", subs=package("Sub", component(
        "Door", ["R"], behaviours=behaviour("IB", runnables))))))
    assert a.RUNNABLE_ENTITY_Name_Dict == {"Door": ["Run%d" % i for i in range(40)]}
    assert element_names(a.runnablesList) == [n for i in range(40) for n in ("r%d" % i, "s%da" % i, "s%db" % i)]


def test_a_component_without_ports_gives_way_to_a_later_top_level_package(analyse):
    a, results = analyse(packages(
        package("One", component("Empty", behaviours=behaviour("IB0")),
                subs=package("Sub", component("Hidden", ["H"]))),
        package("Two", component("Door", ["R"], behaviours=behaviour("IB1")))))
    assert (a.name, a.modelName, names(results[1])) == ("Two", "Door", ["R"])
    assert element_names(a.runnablesList) == ["IB1"]


@pytest.mark.parametrize("body", [
    packages(),
    packages(package("Top", subs=package("Mid", subs=package("Deep", component("X", ["R"]))))),
    packages(package("Bare")),
], ids=["empty AR-PACKAGES", "two levels down", "bare package"])
def test_nothing_found(analyse, body):
    a, results = analyse(body)
    assert results == ([], [], [], [], [], [])
    assert (a.modelName, a.RUNNABLE_ENTITY_Name_Dict) == ("", {"": []})
    assert a.p_portList == a.r_portList == a.sr_interfaceList == a.enumList == []


@pytest.mark.parametrize("tops, found", [
    # A package with ELEMENTS but no interfaces is not searched below; a later package is.
    ([package("A", "", subs=package("Sub", interface("Hidden"))), package("B", interface("I1"))], ["I1"]),
    ([package("A", subs=package("S1", "") + package("S2", interface("I1") + interface("I2")))], ["I1", "I2"]),
    ([package("A", interface("I1")), package("B", interface("I2"))], ["I1"]),
])
def test_interface_search(analyse, tops, found):
    a, results = analyse(packages(*tops))
    assert names(results[0]) == found
    assert results[0][0] == ["", "I1", "", "De", "", "", "", "/Types/uint8", ""]


@pytest.mark.parametrize("subs, found", [
    (package("S", ""), ["Own"]),
    (None, []),
    (package("NoElements") + package("S", data_type("Sub")), []),
    (package("S1", "") + package("S2", data_type("Sub")), ["Sub"]),
])
def test_data_type_search(analyse, subs, found):
    _, results = analyse(packages(package("Top", data_type("Own"), subs)))
    assert names(results[5]) == found


def test_base_types_and_compu_methods(analyse):
    a, results = analyse(packages(
        package("A", compu_method("CmA", ["x"]), subs=package("NoElements") + package("S", base_type("b1"))),
        package("B", base_type("own") + compu_method("CmB", ["y"])),
        package("C", subs=package("S", base_type("b3") + compu_method("CmC", ["z"])))))
    assert names(results[4]) == ["b3"]
    assert results[4][0] == ["", "b3", "FIXED_LENGTH", "8", "", "", ""]
    assert element_names(a.enumList) == ["CmA"]


def test_failures_reach_the_caller_and_keep_what_was_stored(analyse, write_arxml):
    body = packages(package("Swc", component("Door", ["R"])))
    a = Pellinor()
    a.RUNNABLE_ENTITY_Name_Dict = {"old": []}
    with pytest.raises(IndexError):
        analyse(body, a, DATA_ARRAY[:5])
    assert a.RUNNABLE_ENTITY_Name_Dict == {"Door": []} and a.modelName == "Door"
    with pytest.raises(AttributeError):
        analyse("<ADMIN-DATA/>")
    with pytest.raises(OSError):
        Pellinor().readArxml(str(write_arxml("", name="x.arxml")) + ".missing", DATA_ARRAY)
    with pytest.raises(ValueError):
        Pellinor().readArxml(write_arxml("<AUTOSAR>", raw=True), DATA_ARRAY)


def test_one_analyser_for_two_files_appends_runnables(analyse):
    body = packages(package("Top", subs=package("S", component(
        "Seat", ["R"], behaviours=behaviour("IB", runnable("Run", receive=["a"]))))))
    a, _ = analyse(body)
    _, results = analyse(body, a)
    assert names(results[3]) == ["a", "a"]
    assert a.RUNNABLE_ENTITY_Name_Dict == {"Seat": ["Run"]}


def test_type_tables_from_a_file(analyse):
    members = [("raw", "<SW-DATA-DEF-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>"
                       "<BASE-TYPE-REF DEST=\"SW-BASE-TYPE\">/Base/sint8</BASE-TYPE-REF>"
                       "</SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></SW-DATA-DEF-PROPS>"),
               ("inline", None)]
    types = "".join([data_type("WalkRec", "STRUCTURE", members=members), data_type("WalkNoCat", None),
                     data_type("WalkArr", "ARRAY", members=[("walk_el", None)]), data_type("WalkVal")])
    analyse(packages(package("Top", types + compu_method("WalkGear", ["P", "D"]), package("S", ""))))
    assert Pellinor.structValDict["WalkRec"][5] == "sint8;;&raw;inline;"
    assert "walk_el" in Pellinor.arrayValList
    assert Pellinor.enumValList["WalkGear"] == [[0, "P"], [1, "D"]]
    assert Pellinor.enumDict["WalkVal"] == "/Base/uint8"
