// The analyser's own key lists for port and variable-access records. Each call makes a new list.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

py::list required_port_keys();    // 16 keys, below an R-PORT-PROTOTYPE
py::list provided_port_keys();    // 12 keys, below a P-PORT-PROTOTYPE
py::list variable_access_keys();  // 5 keys, below a VARIABLE-ACCESS

}  // namespace velvane::pellinor
