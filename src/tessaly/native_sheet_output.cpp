#include "tessaly/native_sheet_output.hpp"

#include "tessaly/py_text.hpp"

#include <cmath>
#include <string>

namespace velvane::tessaly {

namespace {

class NativeSheetOutput : public SheetOutput {
public:
    NativeSheetOutput(py::object workbook, py::str name)
        : SheetOutput(name), workbook_(std::move(workbook)) {
        sheet_.name = std::move(name);
    }

    void set_column_width(Py_ssize_t first, Py_ssize_t last, double width) override {
        sheet_.widths.push_back({first, last, width});
    }

    void finish() override { workbook_.cast<NativeWorkbook&>().commit(std::move(sheet_)); }

protected:
    void put_text(Py_ssize_t row, Py_ssize_t column, py::handle text, CellStyle style) override {
        Py_ssize_t size = 0;
        const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
        if (data == nullptr) throw py::error_already_set();
        add(row, column, style, BufferedCell::Kind::text, 0);
        sheet_.texts.append(data, static_cast<size_t>(size));
        sheet_.texts.push_back('\0');
    }

    void put_blank(Py_ssize_t row, Py_ssize_t column, py::handle, CellStyle style) override {
        add(row, column, style, BufferedCell::Kind::blank, 0);
    }

    // As xlsxwriter's write: a bool as a boolean, a number (or what float() takes) as a number,
    // anything float() finds no number in as its str(); anything else is refused.
    void put_other(Py_ssize_t row, Py_ssize_t column, py::handle value, CellStyle style) override {
        if (PyBool_Check(value.ptr())) {
            add(row, column, style, BufferedCell::Kind::boolean, value.ptr() == Py_True ? 1 : 0);
            return;
        }
        PyObject* number = PyNumber_Float(value.ptr());
        if (number == nullptr) {
            if (PyErr_ExceptionMatches(PyExc_ValueError)) {
                PyErr_Clear();
                write(row, column, py::str(value), style);
                return;
            }
            if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
            PyErr_Clear();
            throw py::type_error("Unsupported type " + py::repr(py::type::of(value)).cast<std::string>() +
                                 " in write()");
        }
        double result = PyFloat_AS_DOUBLE(number);
        Py_DECREF(number);
        if (std::isnan(result) || std::isinf(result)) {
            throw py::type_error("NAN/INF not supported in write_number() without 'nan_inf_to_errors' Workbook() option");
        }
        add(row, column, style, BufferedCell::Kind::number, result);
    }

private:
    void add(Py_ssize_t row, Py_ssize_t column, CellStyle style, BufferedCell::Kind kind, double number) {
        sheet_.cells.push_back({row, column, style, kind, number, sheet_.texts.size()});
    }

    py::object workbook_;
    BufferedSheet sheet_;
};

}  // namespace

NativeWorkbookOutput::NativeWorkbookOutput(py::handle workbook)
    : workbook_(py::reinterpret_borrow<py::object>(workbook)) {}

std::unique_ptr<SheetOutput> NativeWorkbookOutput::add_sheet(py::handle name) {
    py::str mended = workbook_.cast<NativeWorkbook&>().mended_name(name);
    return std::make_unique<NativeSheetOutput>(workbook_, std::move(mended));
}

}  // namespace velvane::tessaly
