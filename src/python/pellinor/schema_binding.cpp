#include "python/pellinor/schema_binding.hpp"

#include <string>

namespace velvane::pellinor {
namespace {

constexpr const char* kPackage = "Omdra.Corvenna";
constexpr const char* kBindingName = "AUTOSAR_00048";

// The module's globals; the module lives as long as the process, so one reference is kept for good.
PyObject* module_globals = nullptr;

// The name from the imported package, or the submodule that the import left in sys.modules.
py::object name_from(py::handle package, py::handle name) {
    PyObject* value = PyObject_GetAttr(package.ptr(), name.ptr());
    if (value != nullptr) return py::reinterpret_steal<py::object>(value);
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PythonError{};
    PyErr_Clear();
    std::string full = std::string(kPackage) + "." + kBindingName;
    PyObject* submodule = PyDict_GetItemString(PyImport_GetModuleDict(), full.c_str());  // borrowed
    if (submodule != nullptr) return py::reinterpret_borrow<py::object>(submodule);
    PyErr_Format(PyExc_ImportError, "cannot import name %S", name.ptr());
    throw PythonError{};
}

// A global name of the module, then a builtin, as a Python function would see it.
py::object global_name(const char* name) {
    PyObject* value = PyDict_GetItemString(module_globals, name);  // borrowed
    if (value == nullptr) value = PyDict_GetItemString(PyEval_GetBuiltins(), name);
    if (value == nullptr) {
        PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
        throw PythonError{};
    }
    return py::reinterpret_borrow<py::object>(value);
}

}  // namespace

void import_schema_binding(py::module_& m) {
    at_boundary([&] {
        py::object name = own(PyUnicode_FromString(kBindingName));
        py::object fromlist = own(PyTuple_Pack(1, name.ptr()));
        py::object package = own(PyImport_ImportModuleLevel(kPackage, nullptr, nullptr, fromlist.ptr(), 0));
        check(PyObject_SetAttr(m.ptr(), name.ptr(), name_from(package, name).ptr()));
        module_globals = PyModule_GetDict(m.ptr());
        Py_INCREF(module_globals);
    });
}

PyObject* located_error(py::handle element, PyObject* kind, const std::string& cause) {
    PyObject* binding = PyDict_GetItemString(module_globals, kBindingName);  // borrowed
    PyObject* error_at = binding != nullptr ? PyObject_GetAttrString(binding, "_error_at") : nullptr;
    PyObject* text = PyUnicode_FromString(cause.c_str());
    PyObject* error = error_at != nullptr && text != nullptr
                          ? PyObject_CallFunctionObjArgs(error_at, Py_None, element.ptr(), text, kind, nullptr)
                          : nullptr;
    Py_XDECREF(text);
    Py_XDECREF(error_at);
    if (error == nullptr) PyErr_Clear();
    return error;
}

py::object parse_arxml(py::handle path) {
    py::object binding = global_name(kBindingName);
    py::object parse = get_attr(binding, "parse");
    return own(PyObject_CallFunctionObjArgs(parse.ptr(), path.ptr(), Py_True, nullptr));
}

}  // namespace velvane::pellinor
