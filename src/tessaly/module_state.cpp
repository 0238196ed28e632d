#include "tessaly/module_state.hpp"

#include <string>

namespace velvane::tessaly {

namespace {

// Deliberately never released: the module lives until the interpreter ends, and a reference
// dropped after finalisation would touch a dead interpreter.
PyObject* the_module = nullptr;

}  // namespace

void remember_module(const py::module_& module) {
    Py_XDECREF(the_module);
    the_module = module.inc_ref().ptr();
}

py::object module_global(const char* name) {
    return py::reinterpret_borrow<py::object>(the_module).attr(name);
}

py::object import_name(const char* module, const char* name) {
    py::module_ imported = py::module_::import(module);
    if (!py::hasattr(imported, name)) {
        throw py::import_error(std::string("cannot import name '") + name + "' from '" + module + "'");
    }
    return imported.attr(name);
}

}  // namespace velvane::tessaly
