// Sheets of the loader's native workbook: cells are gathered in a buffer and the sheet goes into
// the workbook whole when finish() is called.
#pragma once

#include "tessaly/native_workbook.hpp"
#include "tessaly/sheet_output.hpp"

namespace velvane::tessaly {

class NativeWorkbookOutput : public WorkbookOutput {
public:
    // `workbook` is a _NativeWorkbook, kept alive as long as this output and its sheets.
    explicit NativeWorkbookOutput(py::handle workbook);

    std::unique_ptr<SheetOutput> add_sheet(py::handle name) override;

private:
    py::object workbook_;
};

}  // namespace velvane::tessaly
