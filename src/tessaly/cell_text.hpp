// The text a worksheet cell gets from a Python str.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// The text with characters no XML file can hold (lone surrogates, which only undecodable file names
// bring in, and U+FFFE/U+FFFF) replaced by U+FFFD; the same object when there are none.
py::object storable_text(py::handle text);

}  // namespace velvane::tessaly
