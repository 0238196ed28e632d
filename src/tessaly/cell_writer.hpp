// Writes one value into one worksheet cell without letting the workbook reinterpret text.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// A text from a file is stored as text: never turned into a formula, a link or a number. An empty
// or absent text becomes a formatted blank cell. Any other value goes to the workbook's `write`.
class CellWriter {
public:
    explicit CellWriter(py::handle sheet);

    void put(Py_ssize_t row, Py_ssize_t column, py::handle value, py::handle format) const;

private:
    py::object write_string_;
    py::object write_blank_;
    py::object write_;
};

}  // namespace velvane::tessaly
