// The nine record key lists that the loader hands to the analyser with every file: table1List to
// table9List, made from the record layout (python/common/record_layout.hpp).
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// Module attribute name of key list `index` (0-based): "table1List" ... "table9List".
const char* key_list_name(std::size_t index);

// Sets table1List ... table9List on `module`, each a new list of str.
void register_key_lists(py::module_& module);

}  // namespace velvane::tessaly
