#include "tessaly/sheet_output.hpp"

#include <algorithm>
#include <string>

#include "common/guard.hpp"
#include "tessaly/cell_text.hpp"
#include "tessaly/module_state.hpp"
#include "tessaly/native_sheet_output.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/python_sheet_output.hpp"
#include "tessaly/truncation_warning.hpp"

namespace velvane::tessaly {

namespace {

// Rows a sheet holds: the module's _sheet_rows, which tests lower to reach the end of a sheet
// quickly; never more than the spreadsheet's own limit, never less than two.
Py_ssize_t rows_of_a_sheet() {
    Py_ssize_t rows = sheet_row_limit;
    velvane::guarded([&] { rows = module_global("_sheet_rows").cast<Py_ssize_t>(); });
    return std::min(std::max<Py_ssize_t>(rows, 2), sheet_row_limit);
}

}  // namespace

SheetOutput::SheetOutput(py::str name) : name_(std::move(name)), row_count_(rows_of_a_sheet()) {}

void SheetOutput::write(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) {
    if (row >= row_count_) return;
    if (value.is_none() || is_empty_text(value)) {
        put_blank(row, column, value, style);
    } else if (is_text(value)) {
        py::object text = storable_text(value);
        Py_ssize_t length = utf16_length(text);
        if (length <= cell_text_limit) {
            put_text(row, column, text, style);
            return;
        }
        put_text(row, column, utf16_prefix(text, cell_text_limit), style);
        warn_truncation(cell_reference(name_, row, column) + ": text of " + std::to_string(length) +
                        " characters cut to its first " + std::to_string(cell_text_limit) +
                        ", the most a cell holds");
    } else {
        put_other(row, column, value, style);
    }
}

std::unique_ptr<WorkbookOutput> workbook_output(py::handle workbook) {
    if (py::isinstance<NativeWorkbook>(workbook)) return std::make_unique<NativeWorkbookOutput>(workbook);
    return std::make_unique<PythonWorkbookOutput>(workbook);
}

}  // namespace velvane::tessaly
