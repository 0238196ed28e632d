// Velvane.Tessaly._ProjectTypes: the project index of a directory and the port typing over it, as a
// private class for tests and measurements.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

void register_project_types(py::module_& module);

}  // namespace velvane::tessaly
