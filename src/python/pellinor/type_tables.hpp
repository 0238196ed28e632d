// The process-wide type tables: structures, array element names, value types and enumerations.
// Each call adds to the tables the analyser reads through its attributes; nothing is ever removed.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

void add_structures(py::handle analyser, py::handle data_types);        // set_structDict
void add_array_elements(py::handle analyser, py::handle data_types);    // set_ArrayList
void add_value_types(py::handle analyser, py::handle data_types);       // set_enumDcit
void add_enumerations(py::handle analyser, py::handle compu_methods);   // setEnum

}  // namespace velvane::pellinor
