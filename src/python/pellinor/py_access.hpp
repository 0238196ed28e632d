// Thin, exception-based access to Python objects for the analyser.
//
// Every read goes through the ordinary Python protocols (attribute access, truth test, indexing,
// iteration), so the analyser works on any object tree of the right shape. A failed C-API call throws
// PythonError and leaves its Python error set: a guard (velvane::guarded) clears it, and outside every
// guard `at_boundary` hands it to pybind11, which raises it in the caller unchanged.
#pragma once

#include <pybind11/pybind11.h>

#include <unordered_map>

namespace velvane::pellinor {

namespace py = pybind11;

// The Python error indicator is set and describes the failure.
struct PythonError {};

inline py::object own(PyObject* ref) {
    if (ref == nullptr) throw PythonError{};
    return py::reinterpret_steal<py::object>(ref);
}

inline void check(int status) {
    if (status < 0) throw PythonError{};
}

// An interned attribute name that lives as long as the process.
inline PyObject* intern(const char* text) {
    PyObject* name = PyUnicode_InternFromString(text);
    if (name == nullptr) throw PythonError{};
    return name;
}

// The interned name for a string literal, made once per literal (looked up by its address, so pass
// only texts with static storage). An object model that caches its children by name object then
// finds them by identity.
inline PyObject* name_of(const char* literal) {
    static std::unordered_map<const char*, PyObject*> names;
    auto found = names.find(literal);
    if (found != names.end()) return found->second;
    PyObject* name = intern(literal);
    names.emplace(literal, name);
    return name;
}

inline py::object get_attr(py::handle obj, py::handle name) {
    return own(PyObject_GetAttr(obj.ptr(), name.ptr()));
}

inline py::object get_attr(py::handle obj, const char* literal) {
    return own(PyObject_GetAttr(obj.ptr(), name_of(literal)));
}

inline void set_attr(py::handle obj, const char* literal, py::handle value) {
    check(PyObject_SetAttr(obj.ptr(), name_of(literal), value.ptr()));
}

// `obj.valueOf_`: the text of a model element.
inline py::object text_of(py::handle element) {
    static PyObject* const name = intern("valueOf_");
    return get_attr(element, name);
}

inline bool truthy(py::handle value) {
    int result = PyObject_IsTrue(value.ptr());
    check(result);
    return result != 0;
}

inline bool equals(py::handle a, py::handle b) {
    int result = PyObject_RichCompareBool(a.ptr(), b.ptr(), Py_EQ);
    check(result);
    return result != 0;
}

// `needle in container`
inline bool contains(py::handle container, py::handle needle) {
    int result = PySequence_Contains(container.ptr(), needle.ptr());
    check(result);
    return result != 0;
}

// `seq[index]`
inline py::object item_at(py::handle seq, Py_ssize_t index) {
    py::object key = own(PyLong_FromSsize_t(index));
    return own(PyObject_GetItem(seq.ptr(), key.ptr()));
}

inline void set_item(py::handle mapping, py::handle key, py::handle value) {
    check(PyObject_SetItem(mapping.ptr(), key.ptr(), value.ptr()));
}

inline void append(py::list& list, py::handle value) {
    check(PyList_Append(list.ptr(), value.ptr()));
}

// `for x in iterable: if not visit(x): break`
// A plain list is walked by index, re-reading its length at every step as the list iterator does.
template <class Visit>
void for_each(py::handle iterable, Visit&& visit) {
    PyObject* seq = iterable.ptr();
    if (PyList_CheckExact(seq)) {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(seq); ++i) {
            if (!visit(py::reinterpret_borrow<py::object>(PyList_GET_ITEM(seq, i)))) return;
        }
        return;
    }
    py::object iterator = own(PyObject_GetIter(iterable.ptr()));
    while (PyObject* next = PyIter_Next(iterator.ptr())) {
        if (!visit(py::reinterpret_steal<py::object>(next))) return;
    }
    if (PyErr_Occurred()) throw PythonError{};
}

// Runs a method body: a PythonError becomes the pending error that pybind11 raises in the caller.
template <class Body>
auto at_boundary(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (PythonError&) {
        throw py::error_already_set();
    }
}

}  // namespace velvane::pellinor
