// What a run tells its caller about each signal it wrote: the named tuple
// Velvane.Tessaly.Signal(sheet, port, direction, type, reason, interface).
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// Defines the class Signal in `module`.
void register_signal_class(py::module_& module);

// load's `signals`: None or a callable; TypeError for anything else.
py::object signals_setting(py::handle signals);

// A Signal: `direction` is "input" or "output", `type` the type cell as written, `reason` null for a
// typed signal, `interface` the interface reference the signal was looked up by.
py::object signal_fact(py::handle sheet, py::handle port, bool provided, py::handle type, const char* reason,
                       py::handle interface);

}  // namespace velvane::tessaly
