// Small conversions between Python texts and C++ strings used across the signal-list module.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// True when `value` is a Python str.
inline bool is_text(py::handle value) { return PyUnicode_Check(value.ptr()) != 0; }

// True when `value` is a str of length zero.
inline bool is_empty_text(py::handle value) {
    return is_text(value) && PyUnicode_GET_LENGTH(value.ptr()) == 0;
}

// The UTF-8 form of a str; raises TypeError naming `what` for anything else.
std::string utf8_of(py::handle value, const char* what);

// A str made from UTF-8 text in which lone surrogates may stand (as undecodable file names bring them).
py::str text_from_utf8(const std::string& utf8);

// Code points of a str, lone surrogates included, so that no text is refused for its encoding.
std::u32string code_points_of(py::handle text);

// A str made from code points (the inverse of code_points_of).
py::str text_from_code_points(const std::u32string& points);

// Raises TypeError("<what> must be str, not <type name>").
[[noreturn]] void raise_not_text(py::handle value, const char* what);

}  // namespace velvane::tessaly
