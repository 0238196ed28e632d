// Which writer load uses. It writes natively (native_workbook.hpp) when nothing a caller could
// have changed is bypassed by that: the module's Workbook is still xlsxwriter's own class, and
// the loader's genExcel is still Tessaly.genExcel (a subclass that overrides it gets an xlsxwriter
// Workbook, as it always did). Otherwise the workbook is made by calling the module's Workbook.
//
// The module's Workbook is xlsxwriter's class, imported when first read (the module's __getattr__):
// a run with the native writer never imports xlsxwriter. A caller may read or replace it as any
// module attribute; reading it where xlsxwriter cannot be imported raises that ImportError.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Notes Tessaly.genExcel as it stands once the module is set up, and gives the module the
// __getattr__ and __dir__ through which its Workbook is imported when first read.
void remember_writer_defaults(py::module_& module);

// True when load on `loader` may write its workbook natively.
bool native_writer_applies(py::handle loader);

// True when `loader`'s genExcel is Tessaly.genExcel itself.
bool own_gen_excel_applies(py::handle loader);

}  // namespace velvane::tessaly
