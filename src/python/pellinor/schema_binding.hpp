// The outside ARXML schema binding: imported when the module loads, kept as the module-level name
// AUTOSAR_00048 and looked up there afresh for every parse, so a host can replace it.
#pragma once

#include "python/pellinor/py_access.hpp"

#include <string>

namespace velvane::pellinor {

// `from Omdra.Corvenna import AUTOSAR_00048` into the module `m`. Raises ImportError on failure.
void import_schema_binding(py::module_& m);

// `AUTOSAR_00048.parse(path, True)`, with AUTOSAR_00048 read from the module's globals.
py::object parse_arxml(py::handle path);

// `AUTOSAR_00048._error_at(None, element, cause, kind)`: a new exception located at `element` of a
// parsed file; nullptr (no error set) where the binding cannot tell, or has no such function.
PyObject* located_error(py::handle element, PyObject* kind, const std::string& cause);

}  // namespace velvane::pellinor
