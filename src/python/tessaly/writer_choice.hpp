// Which writer load uses. It writes natively (native_workbook.hpp) when nothing a caller could
// have changed is bypassed by that: the module's Workbook is still xlsxwriter's own class, and
// the loader's genExcel is still Tessaly.genExcel (a subclass that overrides it gets an xlsxwriter
// Workbook, as it always did). Otherwise the workbook is made by calling the module's Workbook.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Notes the module's Workbook and Tessaly.genExcel as they stand once the module is set up.
void remember_writer_defaults(const py::module_& module);

// True when load on `loader` may write its workbook natively.
bool native_writer_applies(py::handle loader);

// True when `loader`'s genExcel is Tessaly.genExcel itself.
bool own_gen_excel_applies(py::handle loader);

}  // namespace velvane::tessaly
