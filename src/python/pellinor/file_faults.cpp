#include "python/pellinor/file_faults.hpp"

#include "python/pellinor/schema_binding.hpp"

namespace velvane::pellinor {

namespace {

// "SUB_ELEMENTS" as the file writes it: "SUB-ELEMENTS".
std::string tag_of(const char* attribute) {
    std::string tag = attribute;
    for (char& c : tag) {
        if (c == '_') c = '-';
    }
    return tag;
}

// kind(cause) with the attribute cause, as raised where no place in a file can be named.
void set_plain(PyObject* kind, const std::string& cause) {
    PyObject* text = PyUnicode_FromString(cause.c_str());
    PyObject* error = text != nullptr ? PyObject_CallFunctionObjArgs(kind, text, nullptr) : nullptr;
    if (error != nullptr && PyObject_SetAttrString(error, "cause", text) == 0) {
        PyErr_SetObject(kind, error);
    } else if (!PyErr_Occurred()) {
        PyErr_SetString(kind, cause.c_str());
    }
    Py_XDECREF(error);
    Py_XDECREF(text);
}

}  // namespace

void raise_about(py::handle element, PyObject* kind, const std::string& cause) {
    // The binding locates its own elements of documents read from files; for anything else it declines.
    PyObject* error = located_error(element, kind, cause);
    if (error != nullptr) {
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error)), error);
        Py_DECREF(error);
        throw PythonError{};
    }
    set_plain(kind, cause);
    throw PythonError{};
}

py::object required_child(py::handle element, const char* child, const std::string& what) {
    py::object found = get_attr(element, child);
    if (found.is_none()) raise_about(element, PyExc_AttributeError, what + " without " + tag_of(child));
    return found;
}

py::object required_name(py::handle element, const std::string& what) {
    py::object name = get_attr(element, "SHORT_NAME");
    if (name.is_none()) raise_about(element, PyExc_AttributeError, what + " without a name");
    return text_of(name);
}

std::string quoted(py::handle name) {
    if (!PyUnicode_Check(name.ptr())) return std::string();
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(name.ptr(), &size);
    if (text == nullptr) {
        PyErr_Clear();
        return std::string();
    }
    return " '" + std::string(text, static_cast<std::size_t>(size)) + "'";
}

}  // namespace velvane::pellinor
