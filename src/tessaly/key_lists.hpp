// The nine record key lists that the loader hands to the analyser with every file.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

inline constexpr int key_list_count = 9;

// Module attribute name of key list `index` (0-based): "table1List" ... "table9List".
const char* key_list_name(int index);

// Sets table1List ... table9List on `module`, each a new list of str.
void add_key_lists(py::module_& module);

}  // namespace velvane::tessaly
