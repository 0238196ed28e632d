// Velvane.Tessaly._NativeWorkbook: the loader's own workbook (xlsx/native_workbook.hpp) as a Python
// object, which load makes and genExcel fills; close() writes it.
#pragma once

#include "core/xlsx/native_workbook.hpp"

#include <pybind11/pybind11.h>

#include <memory>

namespace velvane::tessaly {

namespace py = pybind11;

class NativeWorkbookObject {
public:
    // `path`: a str or path-like. With `yielding`, sheets go into the library at the lowest priority.
    explicit NativeWorkbookObject(py::handle path, bool yielding = false);
    ~NativeWorkbookObject();  // waits, without the GIL, for the sheets under way
    NativeWorkbookObject(const NativeWorkbookObject&) = delete;
    NativeWorkbookObject& operator=(const NativeWorkbookObject&) = delete;

    NativeWorkbook& book() { return *book_; }

    // Writes the file without the GIL. Raises RuntimeError naming the sheet and cell when the library
    // refused one (nothing is written then), OSError naming the file when writing fails.
    void close();

private:
    py::object path_;  // as given, for messages
    std::unique_ptr<NativeWorkbook> book_;
};

// A _NativeWorkbook writing to `path`.
py::object new_native_workbook(py::handle path, bool yielding);

// Defines the internal class _NativeWorkbook(path) with close().
void register_native_workbook(py::module_& module);

}  // namespace velvane::tessaly
