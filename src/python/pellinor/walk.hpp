// The package walk of one ARXML file: finds the component, its ports and runnables, the interfaces and
// the data types, stores them as element lists on the analyser, and turns them into records.
#pragma once

#include "python/pellinor/py_access.hpp"

namespace velvane::pellinor {

// `analysisWith00048(path, dataArray)`: the six record sequences of one file, in their fixed order.
py::tuple analyse_file(py::handle analyser, py::handle path, py::handle data_array);

}  // namespace velvane::pellinor
