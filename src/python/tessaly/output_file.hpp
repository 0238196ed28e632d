// Where the loader's workbook is written. The plain target is "./SignalList.xlsx", written by the
// workbook library at close(). An explicit target, and any target of the native writer, is written
// to a temporary file beside it and moved over the target only once close() has succeeded, so a
// failed or interrupted close never leaves a truncated workbook behind and an existing one stays
// untouched until the new one is complete.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

class OutputFile {
public:
    // `output` is None (the plain target) or a str / path-like naming the workbook file.
    // `through_temporary`: the plain target too is written through a temporary file. Raises the
    // OSError of Velvane._output_path.check_output when the workbook could not be written there: a
    // missing or read-only folder, a folder named as the output, a workbook that cannot be replaced.
    explicit OutputFile(py::handle output, bool through_temporary = false);

    // The path handed to the Workbook constructor.
    py::object workbook_path() const;

    // Closes `workbook` and, for an explicit target, moves the finished file into place. On any
    // failure the temporary file is removed and the failure passed on.
    void close(py::handle workbook) const;

private:
    py::object given_;      // the output as the caller named it, for messages
    py::object target_;     // where the workbook ends up
    py::object temporary_;  // None for the plain target
};

}  // namespace velvane::tessaly
