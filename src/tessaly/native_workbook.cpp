#include "tessaly/native_workbook.hpp"

#include "tessaly/cell_text.hpp"
#include "tessaly/module_state.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/sheet_name.hpp"

#include <xlsxwriter.h>

#include <memory>

namespace velvane::tessaly {

namespace {

lxw_format* add_format(lxw_workbook* book, CellStyle style) {
    lxw_format* format = workbook_add_format(book);
    if (format == nullptr) throw std::bad_alloc();
    format_set_align(format, LXW_ALIGN_CENTER);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(format);
    format_set_border(format, LXW_BORDER_THIN);
    if (style == CellStyle::header) {
        format_set_bold(format);
        format_set_fg_color(format, 0x64A600);
    } else if (style == CellStyle::numbering) {
        format_set_fg_color(format, 0xFFFF00);
    }
    return format;
}

std::u32string lowered(const std::u32string& name) {
    return code_points_of(text_from_code_points(name).attr("lower")());
}

lxw_error write_cell(lxw_worksheet* sheet, const BufferedCell& cell, lxw_format* format) {
    auto row = static_cast<lxw_row_t>(cell.row);
    auto column = static_cast<lxw_col_t>(cell.column);
    switch (cell.kind) {
        case BufferedCell::Kind::text: return worksheet_write_string(sheet, row, column, cell.text.c_str(), format);
        case BufferedCell::Kind::blank: return worksheet_write_blank(sheet, row, column, format);
        case BufferedCell::Kind::number: return worksheet_write_number(sheet, row, column, cell.number, format);
        case BufferedCell::Kind::boolean:
            return worksheet_write_boolean(sheet, row, column, cell.number != 0 ? 1 : 0, format);
    }
    return LXW_NO_ERROR;
}

}  // namespace

NativeWorkbook::NativeWorkbook(py::handle path)
    : path_(module_global("os").attr("fspath")(path)),
      filename_(module_global("os").attr("fsencode")(path_).cast<std::string>()) {
    if (filename_.find('\0') != std::string::npos) throw py::value_error("embedded null byte in the workbook path");
    book_ = workbook_new(filename_.c_str());
    if (book_ == nullptr) throw std::bad_alloc();
    for (CellStyle style : {CellStyle::header, CellStyle::numbering, CellStyle::data}) {
        formats_[static_cast<int>(style)] = add_format(book_, style);
    }
}

NativeWorkbook::~NativeWorkbook() {
    // A workbook never closed (its run failed) is dropped without writing anything.
    if (book_ != nullptr) lxw_workbook_free(book_);
}

void NativeWorkbook::check_open() const {
    if (state_ != State::open) throw py::value_error("the workbook is already closed");
}

py::str NativeWorkbook::mended_name(py::handle name) const {
    check_open();
    auto taken = [this](const std::u32string& candidate) { return lowered_names_.count(lowered(candidate)) != 0; };
    return text_from_code_points(acceptable_sheet_name(code_points_of(name), taken));
}

void NativeWorkbook::commit(const BufferedSheet& sheet) {
    check_open();
    std::string name = utf8_of(sheet.name, "a sheet name");
    lxw_worksheet* worksheet = workbook_add_worksheet(book_, name.c_str());
    if (worksheet == nullptr) throw std::runtime_error("the workbook refused the sheet name " + name);
    lowered_names_.insert(lowered(code_points_of(sheet.name)));
    for (const ColumnWidth& width : sheet.widths) {
        worksheet_set_column(worksheet, static_cast<lxw_col_t>(width.first), static_cast<lxw_col_t>(width.last),
                             width.width, nullptr);
    }
    for (const BufferedCell& cell : sheet.cells) {
        lxw_error error = write_cell(worksheet, cell, formats_[static_cast<int>(cell.style)]);
        if (error != LXW_NO_ERROR) {
            throw std::runtime_error(cell_reference(sheet.name, cell.row, cell.column) + ": " + lxw_strerror(error));
        }
    }
}

void NativeWorkbook::close() {
    check_open();
    state_ = State::closing;  // the GIL is let go below: no other call may touch the workbook now
    lxw_error error;
    {
        py::gil_scoped_release unlocked;
        error = workbook_close(book_);  // frees the workbook, written or not
    }
    book_ = nullptr;
    state_ = State::closed;
    if (error != LXW_NO_ERROR) {
        py::str message = py::str("{}: cannot write the workbook: {}").format(path_, lxw_strerror(error));
        PyErr_SetObject(PyExc_OSError, message.ptr());
        throw py::error_already_set();
    }
}

py::object new_native_workbook(py::handle path) { return py::cast(std::make_unique<NativeWorkbook>(path)); }

void add_native_workbook_class(py::module_& module) {
    py::class_<NativeWorkbook>(module, "_NativeWorkbook",
                               "Internal: the workbook load writes natively; genExcel fills it, close() writes it.")
        .def(py::init<py::handle>(), py::arg("path"))
        .def("close", &NativeWorkbook::close);
}

}  // namespace velvane::tessaly
