"""The analyser's methods on random objects of any shape, as a host may hand them in.

getArray is held against the join's rules written out in Python; invokeData never raises; the type
table methods end in None or an ordinary exception. Stand-in elements raise from attribute reads,
from truth tests and from indexing, hold texts that are not str, and lists of another list type."""
import os
from datetime import timedelta

from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from Velvane.Pellinor import Pellinor

SANITIZED = os.environ.get("VELVANE_SANITIZED") == "1"
ATTRIBUTES = ["SHORT_NAME", "CATEGORY", "valueOf_", "SUB_ELEMENTS", "IMPLEMENTATION_DATA_TYPE_ELEMENT",
              "SW_DATA_DEF_PROPS", "SW_DATA_DEF_PROPS_VARIANTS", "SW_DATA_DEF_PROPS_CONDITIONAL",
              "IMPLEMENTATION_DATA_TYPE_REF", "BASE_TYPE_REF", "COMPU_INTERNAL_TO_PHYS", "COMPU_SCALES",
              "COMPU_SCALE", "COMPU_CONST", "VT", "A", "B"]
TAGS = [a.replace("_", "-") for a in ATTRIBUTES if a != "valueOf_"]


class Refused(Exception):
    pass


class Stand(object):
    """A stand-in element: reads its attributes from a dict; an exception stored there is raised."""

    def __init__(self, attributes, truth=True):
        self._attributes = attributes
        self._truth = truth

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        try:
            value = self.__dict__["_attributes"][name]
        except KeyError:
            raise AttributeError(name)
        if isinstance(value, BaseException):
            raise value
        return value

    def __bool__(self):
        if isinstance(self._truth, BaseException):
            raise self._truth
        return self._truth

    def __repr__(self):
        return "Stand(%r, %r)" % (self._attributes, self._truth)


class OtherList(list):
    """A list type of another model: still a list, and it may refuse to be indexed."""

    def __init__(self, items, refuse=False):
        list.__init__(self, items)
        self.refuse = refuse

    def __getitem__(self, index):
        if self.refuse:
            raise Refused("no indexing")
        return list.__getitem__(self, index)


LEAVES = st.one_of(
    st.none(), st.sampled_from([u"", u"text", u"a/b/c", u"/x/", u"boolean", u"STRUCTURE", u"ARRAY", u"VALUE",
                                u"TEXTTABLE", u"温度"]),
    st.integers(-2, 2), st.just(b"bytes"), st.just(Refused("attribute read fails")),
    st.just(RecursionError("deep")))


def stands(children):
    attributes = st.dictionaries(st.sampled_from(ATTRIBUTES), children, max_size=5)
    truth = st.sampled_from([True, True, True, False, Refused("no truth")])
    lists = st.builds(OtherList, st.lists(children, max_size=3), st.sampled_from([False, False, True]))
    return st.one_of(st.builds(Stand, attributes, truth), st.lists(children, max_size=3), lists)


OBJECTS = st.recursive(LEAVES, stands, max_leaves=25)
KEYS = st.one_of(
    st.sampled_from(TAGS + [u"SWC-NAME", u"swc-name", u"   Mapped System Signal   ", u"MAPPED SYSTEM SIGNALS",
                            u"", u"\n", u"A\n\nB", u"A\n", u"valueOf_"]),
    st.lists(st.sampled_from(TAGS + [u""]), min_size=2, max_size=4).map(u"\n".join),
    st.sampled_from([None, 7, b"SHORT-NAME"]),
)


def examples(count):
    count = int(count * float(os.environ.get("VELVANE_PROPERTY_SCALE", "1")))
    return settings(max_examples=max(5, count // 4) if SANITIZED else count,
                    deadline=None if SANITIZED else timedelta(seconds=5), database=None,
                    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])


# The join's rules, written out plainly.
def invoke(obj, key):
    try:
        value = getattr(obj, key)
        return value[0] if isinstance(value, list) else value
    except Exception:
        return None


def join(model_name, keys, data):
    records = []
    try:
        for item in data:
            record = []
            for key in keys:
                if key == "SWC-NAME":
                    record.append(model_name)
                    continue
                if "mapped system signal" in key.lower():
                    record.append("")
                    continue
                key = key.replace("-", "_")
                if "\n" not in key:
                    value = invoke(item, key) if key else None
                    record.append(value.valueOf_ if value else "")
                    continue
                steps = key.split("\n")
                current = invoke(item, steps[0])
                for index in range(1, len(steps)):
                    if not current:
                        record.append("")
                        break
                    current = invoke(current, steps[index])
                    if index == len(steps) - 1:
                        record.append(current.valueOf_ if current else "")
            records.append(record)
    except Exception:
        pass
    return records


@examples(300)
@given(keys=st.lists(KEYS, max_size=6), data=st.lists(OBJECTS, max_size=4),
       model_name=st.sampled_from([u"Door", u"", None]))
def test_get_array_follows_the_join_rules(keys, data, model_name):
    analyser = Pellinor()
    analyser.modelName = model_name
    assert analyser.getArray(keys, data) == join(model_name, keys, data)


@examples(300)
@given(obj=OBJECTS, key=KEYS)
def test_invoke_data_never_raises(obj, key):
    assert Pellinor().invokeData(obj, key) == invoke(obj, key)


@examples(200)
@given(data=st.one_of(st.lists(OBJECTS, max_size=4), OBJECTS))
def test_type_table_methods_end_in_none_or_an_exception(data):
    analyser = Pellinor()
    tables = {"structValDict": {}, "arrayValList": [], "enumValList": {}, "enumDict": {}}
    for name, table in tables.items():
        setattr(analyser, name, table)   # this analyser's own, so the shared ones stay clean
    for method in ("set_structDict", "set_ArrayList", "setEnum", "set_enumDcit"):
        try:
            assert getattr(analyser, method)(data) is None
        except Exception as error:
            assert not isinstance(error, SystemError), error
            assert method != "set_enumDcit" or not isinstance(data, list), error
    for name, table in tables.items():
        assert getattr(analyser, name) is table
    for record in tables["structValDict"].values():
        assert len(record) == 8 and record[3] == "STRUCTURE"
    for pairs in tables["enumValList"].values():
        assert [pair[0] for pair in pairs] == list(range(len(pairs)))
