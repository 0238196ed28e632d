// Velvane.Tessaly._SheetDetails: the signal details of one worksheet, as a private class that load
// hands to genExcel.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>

namespace velvane {
struct ProjectIndex;
}  // namespace velvane

namespace velvane::tessaly {

namespace py = pybind11;


void register_sheet_details(py::module_& module);

// A _SheetDetails for the component `component` of directory entry `entry` (both as the index keys
// them), whose file has `file_size` bytes.
py::object sheet_details(std::shared_ptr<const ProjectIndex> index, const std::string& entry,
                         const std::string& component, std::uint64_t file_size);

}  // namespace velvane::tessaly
