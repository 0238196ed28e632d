// The Connections sheet of a run: listed from the complete project index, written into the run's
// workbook, counted for the command line.
#pragma once

#include "core/model/project_index.hpp"

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Lists the connections of `index`, writes their sheet into `workbook` (made ready to work with when
// `working_view`) and returns their counts as a dict: connectors, unconnected_inputs, unused_outputs,
// untyped_prototypes, and untyped_prototype_names, one "composition: prototype (type reference)" each.
py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index, bool working_view);

}  // namespace velvane::tessaly
