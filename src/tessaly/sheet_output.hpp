// Where the cells of a worksheet go.
//
// A WorkbookOutput adds worksheets; a SheetOutput is one worksheet being filled. Two kinds stand
// behind them: a caller's xlsxwriter workbook, written through its Python methods
// (python_sheet_output.hpp), and the loader's own workbook, written natively. Whatever fills a sheet
// sees no difference, because the rules of a cell live here and hold for both:
//
//   - A str is stored as text: never turned into a formula, a link or a number. An empty str and
//     None become a blank cell that still carries the style. Any other value goes to the
//     workbook's general write (numbers, booleans).
//   - Characters no XML file can hold become U+FFFD.
//   - A text longer than a cell holds (cell_text_limit UTF-16 units) gets its longest prefix that
//     fits, and a TruncationWarning names the cell, the text's length and the limit.
//   - Cells in rows at or past row_count() are not written; whoever fills the sheet knows what
//     those rows held and says what was left out.
//
// Use:
//
//   std::unique_ptr<SheetOutput> sheet = workbook.add_sheet(py::str("Connections"));
//   sheet->set_column_width(0, 3, 25);                        // columns A to D, 25 characters
//   sheet->write(0, 0, py::str("From"), CellStyle::header);   // row 0 is the first row (1 in Excel)
//   sheet->write(1, 0, some_text, CellStyle::data);
//   sheet->finish();                                          // the sheet is complete
//
// finish() must be called once the sheet is complete; a sheet whose filling failed before then may
// be dropped by the workbook (the native one keeps only finished sheets). Rows and columns count
// from 0 (row 0 is the header row, column 0 is A).
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

namespace velvane::tessaly {

namespace py = pybind11;

// The most rows a worksheet holds, the header row included.
inline constexpr Py_ssize_t sheet_row_limit = 1048576;

// The three looks of a signal-list cell. Each is centred both ways with wrapped text.
enum class CellStyle {
    header,     // bold, green fill (#64A600), thin border
    numbering,  // yellow fill (#FFFF00), thin border
    data,       // thin border
};

class SheetOutput {
public:
    virtual ~SheetOutput() = default;
    SheetOutput(const SheetOutput&) = delete;
    SheetOutput& operator=(const SheetOutput&) = delete;

    // The sheet's name as the workbook holds it (after mending).
    const py::str& name() const { return name_; }

    // Rows the sheet holds, the header row included.
    Py_ssize_t row_count() const { return row_count_; }

    // Writes `value` into the cell at (row, column) in `style`, following the rules above.
    void write(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style);

    // Sets columns first..last (inclusive, 0 is A) to `width` characters.
    virtual void set_column_width(Py_ssize_t first, Py_ssize_t last, double width) = 0;

    // The sheet is complete.
    virtual void finish() {}

protected:
    explicit SheetOutput(py::str name);

    // A str ready to store: only characters an XML file can hold.
    virtual void put_text(Py_ssize_t row, Py_ssize_t column, py::handle text, CellStyle style) = 0;
    // `value` is None or the empty str.
    virtual void put_blank(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) = 0;
    // Anything but None and str.
    virtual void put_other(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) = 0;

private:
    py::str name_;
    Py_ssize_t row_count_;
};

class WorkbookOutput {
public:
    virtual ~WorkbookOutput() = default;

    // A new worksheet named after the str `name`, mended into a name the workbook accepts and that
    // no sheet of it holds yet (see sheet_name.hpp).
    virtual std::unique_ptr<SheetOutput> add_sheet(py::handle name) = 0;
};

// The output for `workbook`: the loader's native workbook, or else any object with xlsxwriter's
// Workbook methods.
std::unique_ptr<WorkbookOutput> workbook_output(py::handle workbook);

}  // namespace velvane::tessaly
