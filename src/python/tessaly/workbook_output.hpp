// The sheet output of a workbook object genExcel is given: the loader's native workbook, or else any
// object with xlsxwriter's Workbook methods. Cut texts and rows left out become TruncationWarnings.
#pragma once

#include "core/sheet/sheet_output.hpp"

#include <pybind11/pybind11.h>

#include <memory>

namespace velvane::tessaly {

namespace py = pybind11;

std::unique_ptr<WorkbookOutput> workbook_output(py::handle workbook);

// A Python value as a cell holds it, by xlsxwriter's rules for write(): None and "" blank, a str as
// text, a bool as a boolean, a number (or what float() takes) as a number, anything float() finds no
// number in as its str(); anything else raises TypeError, as does a number that is not finite.
CellValue cell_value_of(py::handle value);

}  // namespace velvane::tessaly
