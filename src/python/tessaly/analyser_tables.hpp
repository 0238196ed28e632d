// Look-ups in the analyser's tables that genExcel is handed: a port's type name (typeDcit), and the
// enumeration (enumValList) and structure (structDict) texts shown beside a signal.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velvane::tessaly {

namespace py = pybind11;

// The type name of a port: `types[port name]`; when the port name is no key there, the entry
// under the last "/"-separated piece of the record's interface reference (cell
// `interface_cell`); when that is no key either, the empty text.
std::string port_type_name(py::handle types, py::handle record, py::handle port_name,
                           Py_ssize_t interface_cell);

// The literal texts of the compu method "COMPU_<type>", joined with ";" (an absent literal counts
// as the empty text); a null object when `enumerations` has no such entry. A single literal that
// is not text is returned as it is.
py::object enumeration_text(py::handle enumerations, const std::string& type);

// The member text cell of the structure record of `type`; a null object when `structures` has no such
// entry.
py::object member_text(py::handle structures, const std::string& type);

}  // namespace velvane::tessaly
