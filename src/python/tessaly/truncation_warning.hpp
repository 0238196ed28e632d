// TruncationWarning: said whenever something did not fit into a worksheet and was cut or left out.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// Defines Velvane.Tessaly.TruncationWarning, a UserWarning.
void register_truncation_warning(py::module_& module);

// Issues a TruncationWarning with `message`; raises the warning's exception where the warning
// filters turn it into an error.
void warn_truncation(const std::string& message);

}  // namespace velvane::tessaly
