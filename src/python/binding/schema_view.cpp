#include "python/binding/schema_view.hpp"

#include <string>
#include <vector>

namespace corvenna {
namespace {

std::vector<PyObject*>& tables() {
    static std::vector<PyObject*> by_type(schema::kTypeCount, nullptr);
    return by_type;
}

std::vector<PyObject*>& attribute_names() {
    static std::vector<PyObject*> by_tag(schema::kTagCount, nullptr);
    return by_tag;
}

// Interned attribute name of a tag: "SHORT-NAME" -> "SHORT_NAME".
PyObject* attribute_name(std::uint16_t tag) {
    PyObject*& slot = attribute_names()[tag];
    if (!slot) {
        std::string name = schema::kTags[tag];
        for (char& c : name)
            if (c == '-') c = '_';
        slot = PyUnicode_InternFromString(name.c_str());
    }
    return slot;
}

PyObject* build_table(std::uint16_t type) {
    PyObject* table = PyDict_New();
    if (!table) return nullptr;
    for (std::uint32_t row = schema::kTypeFirstRow[type]; row < schema::kTypeFirstRow[type + 1]; ++row) {
        PyObject* name = attribute_name(schema::kRows[row].tag);
        PyObject* index = name ? PyLong_FromUnsignedLong(row) : nullptr;
        if (!index || PyDict_SetItem(table, name, index) < 0) {
            Py_XDECREF(index);
            Py_DECREF(table);
            return nullptr;
        }
        Py_DECREF(index);
    }
    if (schema::kTextMode[type] != schema::kElementsOnly) {
        PyObject* marker = PyLong_FromLong(kValueOfRow);
        PyObject* name = value_of_name();
        if (!marker || !name || PyDict_SetItem(table, name, marker) < 0) {
            Py_XDECREF(marker);
            Py_DECREF(table);
            return nullptr;
        }
        Py_DECREF(marker);
    }
    return table;
}

}  // namespace

PyObject* value_of_name() {
    static PyObject* name = PyUnicode_InternFromString("valueOf_");
    return name;
}

PyObject* attribute_table(std::uint16_t type) {
    PyObject*& slot = tables()[type];
    if (!slot) slot = build_table(type);
    return slot;
}

void clear_attribute_tables() {
    for (PyObject*& t : tables()) Py_CLEAR(t);
}

}  // namespace corvenna
