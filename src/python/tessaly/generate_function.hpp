// Velvane.Tessaly.generate: component ARXML files from a signal-list workbook, over the core's
// generate layer; and the exceptions and the warning it reports with.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Defines generate, WorkbookError, SignalListError and GenerateWarning on `module`.
void register_generate(py::module_& module);

}  // namespace velvane::tessaly
