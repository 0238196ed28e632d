// Instances carry a __dict__: what an analyser assigns lands there, and until then its attributes read
// the values held by the class. Methods reach everything through ordinary attribute access on `self`,
// so a subclass or a host that replaces an attribute is honoured.
#include "analyser.hpp"

#include "join.hpp"
#include "type_tables.hpp"
#include "walk.hpp"

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
            "Analyses one ARXML file; returns the interface, required-port, provided-port,\n"
            "variable-access, base-type and implementation-data-type records.");
    cls.def(
        "analysisWith00048",
        [](py::object self, py::object path, py::object data_array) {
            return at_boundary([&] { return analyse_file(self, path, data_array); });
        },
        py::arg("path"), py::arg("dataArray"),
        "The package walk of readArxml, without resetting RUNNABLE_ENTITY_Name_Dict.");
}

void define_join(AnalyserClass& cls) {
    cls.def(
        "getArray",
        [](py::object self, py::object table, py::object data) { return join_records(self, table, data); },
        py::arg("tableList"), py::arg("dataList"),
        "One record per element of dataList, one cell per key of tableList.");
    cls.def(
        "invokeData", [](py::object, py::object obj, py::object key) { return first_of_attribute(obj, key); },
        py::arg("obj"), py::arg("key"), "Attribute key of obj (its first item for a list), or None.");
}

template <void (*Fill)(py::handle, py::handle)>
void define_table_method(AnalyserClass& cls, const char* name, const char* doc) {
    cls.def(
        name, [](py::object self, py::object data) { at_boundary([&] { Fill(self, data); }); },
        py::arg("dataList"), doc);
}

void define_type_table_methods(AnalyserClass& cls) {
    define_table_method<add_structures>(cls, "set_structDict", "Adds the STRUCTURE types to structValDict.");
    define_table_method<add_array_elements>(cls, "set_ArrayList",
                                            "Adds the element names of the ARRAY types to arrayValList.");
    define_table_method<add_value_types>(cls, "set_enumDcit",
                                         "Adds the base type references of the VALUE types to enumDict.");
    define_table_method<add_enumerations>(cls, "setEnum",
                                          "Adds the literals of the TEXTTABLE compu methods to enumValList.");
}

}  // namespace

void register_analyser(py::module_& m) {
    AnalyserClass cls(m, "Pellinor", py::dynamic_attr(),
                      "Analyser of one AUTOSAR ARXML software-component file.");
    cls.def(py::init<>());
    define_initial_values(cls);
    define_type_tables(cls);
    define_walk(cls);
    define_join(cls);
    define_type_table_methods(cls);
}

}  // namespace velvane::pellinor
