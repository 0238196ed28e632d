#include "python/tessaly/workbook_output.hpp"

#include "core/xlsx/native_workbook.hpp"
#include "python/common/guard.hpp"
#include "python/common/py_text.hpp"
#include "python/tessaly/module_state.hpp"
#include "python/tessaly/native_workbook_class.hpp"
#include "python/tessaly/python_sheet_output.hpp"
#include "python/tessaly/truncation_warning.hpp"

#include <cmath>
#include <string>

namespace velvane::tessaly {

namespace {

// Rows a sheet holds: the module's _sheet_rows, which tests lower to reach the end of a sheet quickly.
std::int64_t rows_of_a_sheet() {
    std::int64_t rows = sheet_row_limit;
    velvane::guarded([&] { rows = module_global("_sheet_rows").cast<std::int64_t>(); });
    return rows;
}

// The native workbook's output, keeping its Python object alive as long as the output.
class NativeOutput : public NativeWorkbookOutput {
public:
    explicit NativeOutput(py::handle workbook)
        : NativeWorkbookOutput(workbook.cast<NativeWorkbookObject&>().book()),
          workbook_(py::reinterpret_borrow<py::object>(workbook)) {}

private:
    py::object workbook_;
};

}  // namespace

std::unique_ptr<WorkbookOutput> workbook_output(py::handle workbook) {
    std::unique_ptr<WorkbookOutput> output;
    if (py::isinstance<NativeWorkbookObject>(workbook)) {
        output = std::make_unique<NativeOutput>(workbook);
    } else {
        output = std::make_unique<PythonWorkbookOutput>(workbook);
    }
    output->set_rows_per_sheet(rows_of_a_sheet());
    output->set_warn(warn_truncation);
    return output;
}

CellValue cell_value_of(py::handle value) {
    if (value.is_none()) return CellValue();
    if (is_text(value)) return CellValue::of_text(utf8_key(value));
    if (PyBool_Check(value.ptr())) return CellValue::of_boolean(value.ptr() == Py_True);
    PyObject* number = PyNumber_Float(value.ptr());
    if (number == nullptr) {
        if (PyErr_ExceptionMatches(PyExc_ValueError)) {
            PyErr_Clear();
            return CellValue::of_text(utf8_key(py::str(value)));
        }
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
        PyErr_Clear();
        throw py::type_error("Unsupported type " + py::repr(py::type::of(value)).cast<std::string>() + " in write()");
    }
    double result = PyFloat_AS_DOUBLE(number);
    Py_DECREF(number);
    if (std::isnan(result) || std::isinf(result)) {
        throw py::type_error("NAN/INF not supported in write_number() without 'nan_inf_to_errors' Workbook() option");
    }
    return CellValue::of_number(result);
}

}  // namespace velvane::tessaly
