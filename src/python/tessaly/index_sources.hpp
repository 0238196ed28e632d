// The files of a directory as the project index takes them, from Python's listing of the directory.
#pragma once

#include "core/model/project_index.hpp"

#include <pybind11/pybind11.h>

#include <vector>

namespace velvane::tessaly {

namespace py = pybind11;

// The entries of `entries` (names in `directory`, as its listing gives them) whose name ends in
// ".arxml", in that order, keyed by the entry's name.
std::vector<IndexSource> arxml_sources(py::handle directory, py::handle entries);

// build_project_index(arxml_sources(directory, entries)), with the GIL released while it runs.
ProjectIndex build_project_index(py::handle directory, py::handle entries, bool with_details = false);

// The same over the listing of `directory`; a failure to list it is raised.
ProjectIndex build_project_index(py::handle directory);

}  // namespace velvane::tessaly
