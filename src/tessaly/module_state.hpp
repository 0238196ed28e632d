// The module's own namespace, read by the loader at call time so that a host can replace the
// names it imported (Workbook, Pellinor, the key lists).
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Keeps a reference to the module for the life of the process.
void remember_module(const py::module_& module);

// The module's current value of `name`.
py::object module_global(const char* name);

// `from <module> import <name>`: the attribute, or ImportError("cannot import name ...").
py::object import_name(const char* module, const char* name);

}  // namespace velvane::tessaly
