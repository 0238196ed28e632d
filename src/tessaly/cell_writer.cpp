#include "tessaly/cell_writer.hpp"

#include "tessaly/py_text.hpp"

namespace velvane::tessaly {

CellWriter::CellWriter(py::handle sheet)
    : write_string_(sheet.attr("write_string")),
      write_blank_(sheet.attr("write_blank")),
      write_(sheet.attr("write")) {}

void CellWriter::put(Py_ssize_t row, Py_ssize_t column, py::handle value, py::handle format) const {
    if (value.is_none() || is_empty_text(value)) {
        write_blank_(row, column, value, format);
    } else if (is_text(value)) {
        write_string_(row, column, value, format);
    } else {
        write_(row, column, value, format);
    }
}

}  // namespace velvane::tessaly
