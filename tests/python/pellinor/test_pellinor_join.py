"""getArray and invokeData on model doubles: the cell rules, the path walk and the truncation."""
import pytest

from Velvane.Pellinor import Pellinor
from pellinor_doubles import Node, text


class ModelList(list):
    """A list type of another binding: still a sequence of the model."""


def port():
    spec = Node(DATA_ELEMENT_REF=text("/If/De"), INIT_VALUE=None, EMPTY_TEXT=text(None))
    return Node(SHORT_NAME=text("Speed"),
                PROVIDED_COM_SPECS=Node(NONQUEUED_SENDER_COM_SPEC=[spec, Node(DATA_ELEMENT_REF=text("other"))]),
                SUBCLASSED=ModelList([text("first"), text("second")]),
                NOTHING=[], PLAIN="not an element", ZERO=0)


@pytest.fixture
def analyser():
    a = Pellinor()
    a.modelName = "Door"
    return a


@pytest.mark.parametrize("key, cell", [
    ("SWC-NAME", "Door"),
    ("swc-name", ""),                       # only the exact text is the marker
    ("   Mapped System Signal   ", ""),
    ("MAPPED SYSTEM SIGNALS", ""),
    ("", ""),
    ("SHORT-NAME", "Speed"),
    ("SUBCLASSED", "first"),
    ("NOTHING", ""),
    ("ZERO", ""),
    ("PROVIDED-COM-SPECS\nNONQUEUED-SENDER-COM-SPEC\nDATA-ELEMENT-REF", "/If/De"),
    ("PROVIDED-COM-SPECS\nNONQUEUED-SENDER-COM-SPEC\nEMPTY-TEXT", None),
    ("PROVIDED-COM-SPECS\nNONQUEUED-SENDER-COM-SPEC\nINIT-VALUE\nX\nY", ""),
    ("PROVIDED-COM-SPECS\nMISSING\nDATA-ELEMENT-REF", ""),
    ("NOTHING\nSHORT-NAME", ""),
    ("PROVIDED-COM-SPECS\n\nDATA-ELEMENT-REF", ""),
    ("SHORT-NAME\n", ""),
])
def test_one_cell_per_key(analyser, key, cell):
    assert analyser.getArray([key], [port(), port()]) == [[cell], [cell]]


def test_records_follow_the_key_order_and_read_the_model_name_live(analyser):
    keys = ["SWC-NAME", "SHORT-NAME", "", "SWC-NAME"]
    assert analyser.getArray(keys, [port()]) == [["Door", "Speed", "", "Door"]]
    analyser.modelName = "Seat"
    assert analyser.getArray(tableList=keys, dataList=[port()]) == [["Seat", "Speed", "", "Seat"]]
    assert keys == ["SWC-NAME", "SHORT-NAME", "", "SWC-NAME"]


@pytest.mark.parametrize("keys, data, records", [
    (["SHORT-NAME"], [], []),
    ([], [port(), port()], [[], []]),
    (["SHORT-NAME"], None, []),
])
def test_empty_inputs(analyser, keys, data, records):
    assert analyser.getArray(keys, data) == records


@pytest.mark.parametrize("keys", [
    ["SHORT-NAME", "PLAIN"],                # a cell whose value has no text
    ["SHORT-NAME", "PROVIDED-COM-SPECS"],   # an element without text content
])
def test_a_failing_cell_keeps_the_records_before_it(analyser, keys):
    good = Node(SHORT_NAME=text("ok"), PLAIN=None, PROVIDED_COM_SPECS=None)
    data = [good, good, good, port(), good, good]
    assert analyser.getArray(keys, data) == [["ok", ""]] * 3


def test_a_failing_key_stops_at_the_first_record(analyser):
    assert analyser.getArray(["SHORT-NAME", 5], [port()]) == []


@pytest.mark.parametrize("obj, key, expected", [
    (port(), "SUBCLASSED", "first"),
    (port(), "NOTHING", None),
    (port(), "ZERO", 0),
    (port(), "MISSING", None),
    (None, "SHORT_NAME", None),
    (port(), 7, None),
])
def test_invoke_data(analyser, obj, key, expected):
    value = analyser.invokeData(obj=obj, key=key)
    assert (value.valueOf_ if isinstance(value, Node) else value) == expected


def test_invoke_data_swallows_any_failure(analyser):
    class Exploding(object):
        @property
        def X(self):
            raise RuntimeError("boom")
    assert analyser.invokeData(Exploding(), "X") is None
