// Files the project index left out though they parse (core/model IndexRefusal: a structure far beyond
// what real files have), reported the way the binding reports a file it cannot parse: a ParseError
// "path:line:column: cause".
#pragma once

#include "core/model/project_index.hpp"

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// The ParseError for the file keyed `entry` (a str) that the index refused, read from `filename`;
// None when the index took it. Waits for that file's parse (see index_refusal).
py::object refusal_error(const ProjectIndex& index, py::handle entry, py::handle filename);

}  // namespace velvane::tessaly
