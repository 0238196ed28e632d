// Writes the Connections sheet: the header row in the signal sheets' header format, then one row per
// connection as list_connections gives them.
#pragma once

#include "tessaly/connections.hpp"

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

inline constexpr const char* connections_sheet_name = "Connections";

// Adds the sheet after those already in `workbook` (its name mended like any sheet name when a file's
// sheet took it) and fills it with `list`.
void write_connections_sheet(py::handle workbook, const ConnectionList& list);

// Lists the connections of `index`, writes their sheet into `workbook` and returns their counts as
// a dict: connectors, unconnected_inputs, unused_outputs, untyped_prototypes.
py::dict add_connections_sheet(py::handle workbook, const ProjectIndex& index);

}  // namespace velvane::tessaly
