// Python texts and the core's UTF-8 strings, both ways. The core's strings may hold lone surrogates,
// encoded as UTF-8 would encode them ("surrogatepass"): undecodable file names bring them in.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// True when `value` is a Python str.
inline bool is_text(py::handle value) { return PyUnicode_Check(value.ptr()) != 0; }

// The UTF-8 form of a str; raises TypeError naming `what` for anything else, UnicodeEncodeError for a
// str holding a lone surrogate.
std::string utf8_of(py::handle value, const char* what);

// The UTF-8 form of a str, lone surrogates kept: how the core keys entries, names and references.
std::string utf8_key(py::handle text);

// A str made from UTF-8 in which lone surrogates may stand (the inverse of utf8_key).
py::str text_from_utf8(const std::string& utf8);

// Raises TypeError("<what> must be str, not <type name>").
[[noreturn]] void raise_not_text(py::handle value, const char* what);

}  // namespace velvane::tessaly
