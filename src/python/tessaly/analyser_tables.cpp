#include "python/tessaly/analyser_tables.hpp"

#include "python/common/py_text.hpp"
#include "core/model/ar_path.hpp"
#include "python/common/record_layout.hpp"

namespace velvane::tessaly {

namespace {

// mapping[key] into `value`; false when the key is missing. Every other failure is raised.
bool find_item(py::handle mapping, py::handle key, py::object& value) {
    PyObject* found = PyObject_GetItem(mapping.ptr(), key.ptr());
    if (found != nullptr) {
        value = py::reinterpret_steal<py::object>(found);
        return true;
    }
    if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw py::error_already_set();
    PyErr_Clear();
    return false;
}

bool has_key(py::handle mapping, py::handle key) {
    int found = PySequence_Contains(mapping.ptr(), key.ptr());
    if (found < 0) throw py::error_already_set();
    return found == 1;
}

// The interface name at the end of the record's interface reference, or a null object when the
// record has no such cell or the reference names no interface.
py::object interface_name(py::handle record, Py_ssize_t interface_cell) {
    Py_ssize_t cells = PyObject_Length(record.ptr());
    if (cells < 0) throw py::error_already_set();
    if (cells <= interface_cell) return py::object();
    py::object reference = record[py::int_(interface_cell)];
    if (!is_text(reference)) return py::object();
    std::string name = last_segment(utf8_of(reference, "an interface reference"));
    return name.empty() ? py::object() : py::str(name);
}

}  // namespace

std::string port_type_name(py::handle types, py::handle record, py::handle port_name,
                           Py_ssize_t interface_cell) {
    py::object type;
    if (!find_item(types, port_name, type)) {
        py::object interface_key = interface_name(record, interface_cell);
        if (!interface_key || !find_item(types, interface_key, type)) return std::string();
    }
    return utf8_of(type, "a type name");
}

py::object enumeration_text(py::handle enumerations, const std::string& type) {
    py::str key("COMPU_" + type);
    if (!has_key(enumerations, key)) return py::object();
    std::string joined;
    py::object lone;  // a literal that is not text, kept only while nothing has to be joined to it
    py::object pairs = enumerations[key];
    for (py::handle pair : pairs) {
        py::object literal = pair[py::int_(std::size_t(records::enumeration_literal::literal))];
        if (literal.is_none()) literal = py::str("");
        if (lone) raise_not_text(lone, "an enumeration literal");
        if (!joined.empty()) {
            joined += ';';
            joined += utf8_of(literal, "an enumeration literal");
        } else if (is_text(literal)) {
            joined = utf8_of(literal, "an enumeration literal");
        } else {
            lone = literal;
        }
    }
    return lone ? lone : py::str(joined);
}

py::object member_text(py::handle structures, const std::string& type) {
    py::str key(type);
    if (!has_key(structures, key)) return py::object();
    return structures[key][py::int_(std::size_t(records::structure::member_text))];
}

}  // namespace velvane::tessaly
