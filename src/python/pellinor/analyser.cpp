// Instances carry a __dict__: what an analyser assigns lands there, and until then its attributes read
// the values held by the class. Methods reach everything through ordinary attribute access on `self`,
// so a subclass or a host that replaces an attribute is honoured.
#include "python/pellinor/analyser.hpp"

#include "python/pellinor/join.hpp"
#include "python/pellinor/type_tables.hpp"
#include "python/pellinor/walk.hpp"

namespace velvane::pellinor {
namespace {

// Instances hold nothing in C++; all state is in Python attributes.
struct Analyser {};

using AnalyserClass = py::class_<Analyser>;

void define_initial_values(AnalyserClass& cls) {
    for (const char* attribute : {"p_portList", "r_portList", "sr_interfaceList", "ImplementationDataTypesList",
                                  "SwBaseTypesList", "runnablesList"}) {
        cls.attr(attribute) = py::list();
    }
    cls.attr("RUNNABLE_ENTITY_Name_Dict") = py::dict();
    cls.attr("name") = py::str("");
    cls.attr("modelName") = py::str("");
    // enumList has no class-level value: it exists once a walk has run on the analyser.
}

// Created once, here, and never replaced or emptied.
void define_type_tables(AnalyserClass& cls) {
    cls.attr("structValDict") = py::dict();
    cls.attr("arrayValList") = py::list();
    cls.attr("enumValList") = py::dict();
    cls.attr("enumDict") = py::dict();
}

// `a, b, c, d, e, f = results`
py::tuple unpack_six(py::handle results) {
    py::list values;
    for_each(results, [&](py::handle value) {
        append(values, value);
        return py::len(values) <= 6;
    });
    if (py::len(values) > 6) throw py::value_error("too many values to unpack (expected 6)");
    if (py::len(values) < 6) {
        PyErr_Format(PyExc_ValueError, "not enough values to unpack (expected 6, got %zd)", py::len(values));
        throw PythonError{};
    }
    return py::tuple(values);
}

py::tuple read_arxml(py::object self, py::object path, py::object data_array) {
    return at_boundary([&] {
        set_attr(self, "RUNNABLE_ENTITY_Name_Dict", py::dict());
        return unpack_six(self.attr("analysisWith00048")(path, data_array));
    });
}

void define_walk(AnalyserClass& cls) {
    cls.def("readArxml", &read_arxml, py::arg("path"), py::arg("dataArray"),
            "Analyses one ARXML file and returns six lists of records (lists of str), in this order:\n"
            "sender-receiver interfaces, required ports, provided ports, variable accesses of the\n"
            "runnables, SW base types and implementation data types.\n\n"
            "dataArray holds the key lists of the records (Velvane.Tessaly.table1List ... table9List);\n"
            "entries 3, 4 and 5 lay out the data-type, base-type and interface records. The walk stores\n"
            "the element lists it finds on this analyser and adds the file's types to the shared tables\n"
            "structValDict, arrayValList, enumValList and enumDict. Parse failures (OSError,\n"
            "ParseError) and failures outside the walk's guards are raised unchanged.");
    cls.def(
        "analysisWith00048",
        [](py::object self, py::object path, py::object data_array) {
            return at_boundary([&] { return analyse_file(self, path, data_array); });
        },
        py::arg("path"), py::arg("dataArray"),
        "The package walk behind readArxml: parses `path`, searches its packages for the component,\n"
        "ports, runnables, interfaces and types, and returns the same six record lists. Unlike\n"
        "readArxml it does not first reset RUNNABLE_ENTITY_Name_Dict.");
}

void define_join(AnalyserClass& cls) {
    cls.def(
        "getArray",
        [](py::object self, py::object table, py::object data) { return join_records(self, table, data); },
        py::arg("tableList"), py::arg("dataList"),
        "Returns one record (a list of str) per element of dataList, with one cell per key of\n"
        "tableList: 'SWC-NAME' gives modelName, a key naming the mapped system signal gives '', a tag\n"
        "name or a line-feed separated path of tag names gives the text of that element, or '' when\n"
        "it is missing. A failure inside ends the join and returns the records completed so far.");
    cls.def(
        "invokeData", [](py::object, py::object obj, py::object key) { return first_of_attribute(obj, key); },
        py::arg("obj"), py::arg("key"),
        "One step of a join path: the attribute `key` of obj (an attribute name, '-' already turned\n"
        "into '_'), its first item when that is a list, or None when it is missing, empty or cannot\n"
        "be read. Never raises.");
}

template <void (*Fill)(py::handle, py::handle)>
void define_table_method(AnalyserClass& cls, const char* name, const char* doc) {
    cls.def(
        name, [](py::object self, py::object data) { at_boundary([&] { Fill(self, data); }); },
        py::arg("dataList"), doc);
}

void define_type_table_methods(AnalyserClass& cls) {
    define_table_method<add_structures>(
        cls, "set_structDict",
        "Adds each STRUCTURE implementation data type of dataList to the shared structValDict: type\n"
        "name -> record of 8 cells whose cell 5 reads 't1;t2;&n1;n2;' (member types, then names).");
    define_table_method<add_array_elements>(
        cls, "set_ArrayList",
        "Appends the element names of each ARRAY implementation data type of dataList to the shared\n"
        "arrayValList.");
    define_table_method<add_value_types>(
        cls, "set_enumDcit",
        "Stores, for each VALUE implementation data type of dataList whose name does not contain\n"
        "'boolean', its base type reference in the shared enumDict. A type that cannot be read is\n"
        "skipped.");
    define_table_method<add_enumerations>(
        cls, "setEnum",
        "Stores, for each TEXTTABLE compu method of dataList whose name does not contain 'boolean',\n"
        "its [position, literal text] pairs (positions 0, 1, ... in scale order) in the shared\n"
        "enumValList under the compu method's name.");
}

}  // namespace

void register_analyser(py::module_& m) {
    AnalyserClass cls(m, "Pellinor", py::dynamic_attr(),
                      "Analyser of one AUTOSAR ARXML software-component file.\n\n"
                      "Pellinor() takes no arguments; readArxml(path, dataArray) analyses one file. The\n"
                      "element lists found (p_portList, r_portList, sr_interfaceList,\n"
                      "ImplementationDataTypesList, SwBaseTypesList, runnablesList, enumList), name,\n"
                      "modelName and RUNNABLE_ENTITY_Name_Dict belong to one analyser. The type tables\n"
                      "structValDict, arrayValList, enumValList and enumDict are class attributes shared\n"
                      "by every analyser of the process and never emptied.");
    cls.def(py::init<>(), "A new analyser with empty element lists.");
    define_initial_values(cls);
    define_type_tables(cls);
    define_walk(cls);
    define_join(cls);
    define_type_table_methods(cls);
}

}  // namespace velvane::pellinor
