// The loader: one worksheet per ARXML file of a directory, written to one workbook.
#pragma once

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

// What one load call may vary; every field has the value a plain load(path) uses.
struct LoadSettings {
    py::object output = py::str("./SignalList.xlsx");  // the workbook file, relative to the process
};

// Lists `path`, runs a new analyser over every entry ending in ".arxml" in listing order, hands
// each result to `loader.genExcel` and closes the workbook after the last file. Any failure is
// raised as it is and leaves the workbook unclosed, so no file is written.
void load_directory(py::handle loader, py::handle path, const LoadSettings& settings);

}  // namespace velvane::tessaly
