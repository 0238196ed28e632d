#include "tessaly/model_reading.hpp"

#include <unordered_map>

namespace velvane::tessaly {

namespace {

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

PyObject* interned_name(const char* literal) {
    // Never released: the names must outlive every element that cached a child under them.
    static auto* names = new std::unordered_map<const char*, PyObject*>();
    auto found = names->find(literal);
    if (found != names->end()) return found->second;
    PyObject* name = PyUnicode_InternFromString(literal);
    if (name == nullptr) throw py::error_already_set();
    names->emplace(literal, name);
    return name;
}

py::object child_of(py::handle element, const char* name) {
    if (element.is_none()) return py::none();
    PyObject* value = PyObject_GetAttr(element.ptr(), interned_name(name));
    if (value == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw py::error_already_set();
        PyErr_Clear();
        return py::none();
    }
    return py::reinterpret_steal<py::object>(value);
}

py::list children_of(py::handle element, const char* name) {
    py::object value = child_of(element, name);
    if (value.is_none()) return py::list();
    if (PyList_Check(value.ptr())) return py::reinterpret_borrow<py::list>(value);
    py::list single;
    single.append(value);
    return single;
}

std::string utf8_or_empty(py::handle text) {
    if (!PyUnicode_Check(text.ptr())) return std::string();
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (data == nullptr) {
        // A lone surrogate has no UTF-8 form; such a name can match nothing anyway.
        PyErr_Clear();
        return std::string();
    }
    return std::string(data, static_cast<size_t>(size));
}

std::string raw_text(py::handle element) { return utf8_or_empty(child_of(element, "valueOf_")); }

std::string stripped_text(py::handle element) {
    std::string text = raw_text(element);
    size_t begin = 0, end = text.size();
    while (begin < end && is_white(text[begin])) ++begin;
    while (end > begin && is_white(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string child_text(py::handle element, const char* name) {
    return stripped_text(child_of(element, name));
}

py::object first_conditional_props(py::handle element) {
    py::list conditionals = children_of(
        child_of(child_of(element, "SW_DATA_DEF_PROPS"), "SW_DATA_DEF_PROPS_VARIANTS"),
        "SW_DATA_DEF_PROPS_CONDITIONAL");
    if (conditionals.empty()) return py::none();
    return conditionals[0];
}

}  // namespace velvane::tessaly
