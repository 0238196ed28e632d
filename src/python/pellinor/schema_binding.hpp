// The outside ARXML schema binding: imported when the module loads, kept as the module-level name
// AUTOSAR_00048 and looked up there afresh for every parse, so a host can replace it.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

// `from Omdra.Corvenna import AUTOSAR_00048` into the module `m`. Raises ImportError on failure.
void import_schema_binding(py::module_& m);

// `AUTOSAR_00048.parse(path, True)`, with AUTOSAR_00048 read from the module's globals.
py::object parse_arxml(py::handle path);

}  // namespace velvane::pellinor
