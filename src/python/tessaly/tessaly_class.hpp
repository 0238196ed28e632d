// Velvane.Tessaly.Tessaly: the loader and workbook writer, with load and genExcel.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

void register_tessaly_class(py::module_& module);

}  // namespace velvane::tessaly
