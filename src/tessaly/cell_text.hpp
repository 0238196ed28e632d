// The text a worksheet cell gets from a Python str.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// The text with characters no XML file can hold even escaped (NUL, lone surrogates, which only
// undecodable file names bring in, and U+FFFE/U+FFFF) replaced by U+FFFD; the same object when
// there are none.
py::object storable_text(py::handle text);

}  // namespace velvane::tessaly

namespace velvane::tessaly {

// The most text a cell holds, in UTF-16 units as the spreadsheet counts them.
inline constexpr Py_ssize_t cell_text_limit = 32767;

// Length of a str in UTF-16 units: a character past U+FFFF counts twice.
Py_ssize_t utf16_length(py::handle text);

// The longest prefix of a str that fits into `units` UTF-16 units; a character past U+FFFF is
// never split.
py::object utf16_prefix(py::handle text, Py_ssize_t units);

// "Brake!H2": the sheet (quoted where a formula would need it) and the cell at row and column
// counted from 0.
std::string cell_reference(py::handle sheet_name, Py_ssize_t row, Py_ssize_t column);

}  // namespace velvane::tessaly
