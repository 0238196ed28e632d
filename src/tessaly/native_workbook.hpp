// The loader's own workbook, written with libxlsxwriter: the same sheets, cells, formats and column
// widths as xlsxwriter's Python Workbook gets from the signal sheet, at a fraction of the time.
//
// A sheet is filled into a buffer (native_sheet_output.hpp) and handed over whole by commit() once
// it is complete; a sheet whose filling failed is never committed, so it leaves no trace (the
// library cannot remove a sheet once added). Nothing is written to disk before close().
#pragma once

#include <pybind11/pybind11.h>

#include "tessaly/sheet_commits.hpp"
#include "tessaly/sheet_output.hpp"

#include <memory>
#include <set>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_format;

namespace velvane::tessaly {

namespace py = pybind11;

// Everything a finished sheet holds.
struct BufferedSheet {
    py::str name;  // already mended by mended_name()
    std::vector<ColumnWidth> widths;
    std::vector<BufferedCell> cells;
    std::string texts;  // as CommittedSheet::texts
};

class NativeWorkbook {
public:
    // `path`: a str or path-like; the file is created only by close(). Committed sheets are handed to
    // the library on a thread of its own (sheet_commits.hpp), at the lowest priority when `yielding`.
    explicit NativeWorkbook(py::handle path, bool yielding = false);
    ~NativeWorkbook();
    NativeWorkbook(const NativeWorkbook&) = delete;
    NativeWorkbook& operator=(const NativeWorkbook&) = delete;

    // `name` (a str) made acceptable and free among the sheets committed so far.
    py::str mended_name(py::handle name) const;

    // Adds the finished sheet to the workbook: the library takes it on a thread of its own
    // (sheet_commits.hpp). Raises ValueError once the workbook is closed, and RuntimeError naming the
    // sheet and cell when the library refused a cell of a sheet committed before.
    void commit(BufferedSheet&& sheet);

    // Writes the file (without the GIL). Raises RuntimeError as commit() when the library refused a
    // sheet (nothing is written then), OSError naming the file when writing fails. The workbook is
    // finished either way.
    void close();

private:
    void check_open() const;
    [[noreturn]] void raise_refusal(const SheetRefusal& refusal) const;

    enum class State { open, closing, closed };
    State state_ = State::open;
    py::object path_;       // as given, for messages
    std::string filename_;  // os.fsencode of the path
    lxw_workbook* book_ = nullptr;
    lxw_format* formats_[3] = {};                // by CellStyle
    std::set<std::u32string> lowered_names_;     // committed sheet names, lower-cased as Python does
    std::unique_ptr<SheetCommits> commits_;      // after formats_: uses them
};

// A NativeWorkbook as a Python object (Velvane.Tessaly._NativeWorkbook), writing to `path`.
py::object new_native_workbook(py::handle path, bool yielding);

// Defines the internal class _NativeWorkbook(path) with close(); genExcel writes its sheets natively.
void add_native_workbook_class(py::module_& module);

}  // namespace velvane::tessaly
