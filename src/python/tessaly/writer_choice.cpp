#include "python/tessaly/writer_choice.hpp"

#include "python/tessaly/module_state.hpp"

namespace velvane::tessaly {

namespace {

// Deliberately never released, like the module that holds them.
PyObject* xlsxwriter_workbook = nullptr;
PyObject* own_gen_excel = nullptr;

}  // namespace

void remember_writer_defaults(const py::module_& module) {
    Py_XDECREF(xlsxwriter_workbook);
    Py_XDECREF(own_gen_excel);
    xlsxwriter_workbook = py::object(module.attr("Workbook")).release().ptr();
    own_gen_excel = py::object(module.attr("Tessaly").attr("__dict__")["genExcel"].attr("__func__")).release().ptr();
}

bool native_writer_applies(py::handle loader) {
    return module_global("Workbook").ptr() == xlsxwriter_workbook && own_gen_excel_applies(loader);
}

bool own_gen_excel_applies(py::handle loader) {
    py::object method = py::getattr(loader, "genExcel");
    py::object function = py::getattr(method, "__func__", py::none());
    return function.ptr() == own_gen_excel;
}

}  // namespace velvane::tessaly
