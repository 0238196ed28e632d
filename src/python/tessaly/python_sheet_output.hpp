// Sheets of a workbook object with xlsxwriter's methods (add_worksheet, add_format, worksheets;
// write_string, write_blank, write, set_column), written through those methods: a caller's
// xlsxwriter Workbook, a subclass of it, or a stand-in with the same methods.
#pragma once

#include "core/sheet/sheet_output.hpp"

#include <pybind11/pybind11.h>

namespace velvane::tessaly {

namespace py = pybind11;

class PythonWorkbookOutput : public WorkbookOutput {
public:
    explicit PythonWorkbookOutput(py::handle workbook);

    // Adds the three cell formats of the sheet to the workbook, then the worksheet.
    std::unique_ptr<SheetOutput> add_sheet(const std::string& name) override;

private:
    py::object workbook_;
};

}  // namespace velvane::tessaly
