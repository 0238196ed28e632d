#include "tessaly/sheet_output.hpp"

#include "tessaly/cell_text.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/python_sheet_output.hpp"

namespace velvane::tessaly {

namespace {

constexpr Py_ssize_t sheet_rows = 1048576;

}  // namespace

SheetOutput::SheetOutput(py::str name) : name_(std::move(name)), row_count_(sheet_rows) {}

void SheetOutput::write(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) {
    if (row >= row_count_) return;
    if (value.is_none() || is_empty_text(value)) {
        put_blank(row, column, value, style);
    } else if (is_text(value)) {
        put_text(row, column, storable_text(value), style);
    } else {
        put_other(row, column, value, style);
    }
}

std::unique_ptr<WorkbookOutput> workbook_output(py::handle workbook) {
    return std::make_unique<PythonWorkbookOutput>(workbook);
}

}  // namespace velvane::tessaly
