// The Connections sheet of a run: listed from the complete project index, written into the run's
// workbook, counted for the command line.
#pragma once

#include "core/model/project_index.hpp"

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Lists the connections of `index`, writes their sheet into `workbook` and returns their counts as a
// dict: connectors, unconnected_inputs, unused_outputs, untyped_prototypes.
py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index);

}  // namespace velvane::tessaly
