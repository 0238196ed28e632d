// Velvane.Tessaly._SheetDetails: the signal details of one worksheet, as a private class that load
// hands to genExcel.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

void add_sheet_details_class(py::module_& module);

}  // namespace velvane::tessaly
