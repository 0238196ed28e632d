// The module's own namespace, read by the loader at call time so that a host can replace the
// names it imported (Workbook, Pellinor, the key lists).
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// What the module needs before anything else: the parse memory shared with the binding, the modules
// it imports as it loads (os and Velvane.Pellinor's Pellinor; a failed import fails the module), the
// module itself kept for the life of the process, and `_sheet_rows`. xlsxwriter's Workbook comes
// when first read (writer_choice.hpp).
void register_services(py::module_& module);

// The module's current value of `name`.
py::object module_global(const char* name);

// `from <module> import <name>`: the attribute, or ImportError("cannot import name ...").
py::object import_name(const char* module, const char* name);

}  // namespace velvane::tessaly
