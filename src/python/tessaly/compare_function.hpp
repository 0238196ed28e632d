// Velvane.Tessaly.compare: two deliveries, each a directory read as load reads it in project mode,
// compared signal by signal by the core (core/compare), with the named tuples Change and the list
// class Changes it returns; optionally the Changes sheet written to a workbook of its own.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Defines Change, Changes and compare in `module`.
void register_compare(py::module_& module);

}  // namespace velvane::tessaly
