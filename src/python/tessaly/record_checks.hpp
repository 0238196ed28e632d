// What a file's records lack for its sheet, said about the file. The loader's own look-ups and
// Tessaly.genExcel fail on an interface whose data element names no type and on an input port without
// a name, with TypeError; these checks fail the file first, with the same type and a sentence located
// at the element of the file ("path:line:column: R-PORT-PROTOTYPE without a name"), read from the
// analyser's element lists, which are in the order of its records.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// The interface records: each one's data element type reference must be a text.
void check_interface_records(py::handle analyser, py::handle interfaces, py::handle filename);

// The required port records that a sheet holds rows for: each one's name must be a text.
void check_required_port_records(py::handle analyser, py::handle rports, py::handle filename);

}  // namespace velvane::tessaly
