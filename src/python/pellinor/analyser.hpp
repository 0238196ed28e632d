// The analyser class `Pellinor`: its methods, the class-level initial values of its per-analyser
// attributes, and the four type tables that every analyser of the process shares.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

void register_analyser(py::module_& m);

}  // namespace velvane::pellinor
