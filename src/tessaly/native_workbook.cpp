#include "tessaly/native_workbook.hpp"

#include "tessaly/cell_text.hpp"
#include "tessaly/module_state.hpp"
#include "tessaly/py_text.hpp"
#include "tessaly/sheet_name.hpp"

#include <xlsxwriter.h>

#include <memory>
#include <optional>
#include <utility>

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

}  // namespace

NativeWorkbook::NativeWorkbook(py::handle path, bool yielding)
    : path_(module_global("os").attr("fspath")(path)),
      filename_(module_global("os").attr("fsencode")(path_).cast<std::string>()) {
    if (filename_.find('\0') != std::string::npos) throw py::value_error("embedded null byte in the workbook path");
    book_ = workbook_new(filename_.c_str());
    if (book_ == nullptr) throw std::bad_alloc();
    for (CellStyle style : {CellStyle::header, CellStyle::numbering, CellStyle::data}) {
        formats_[static_cast<int>(style)] = add_format(book_, style);
    }
    commits_ = std::make_unique<SheetCommits>(book_, formats_, yielding);
}

NativeWorkbook::~NativeWorkbook() {
    // A workbook never closed (its run failed) is dropped without writing anything.
    if (commits_) {
        py::gil_scoped_release unlocked;  // the sheets under way are waited for
        commits_.reset();
    }
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

void NativeWorkbook::raise_refusal(const SheetRefusal& refusal) const {
    py::str sheet = text_from_utf8(refusal.sheet);
    if (refusal.row < 0) throw std::runtime_error("the workbook refused the sheet name " + refusal.sheet);
    throw std::runtime_error(cell_reference(sheet, refusal.row, refusal.column) + ": " + refusal.cause);
}

void NativeWorkbook::commit(BufferedSheet&& sheet) {
    check_open();
    if (std::optional<SheetRefusal> refused = commits_->refusal()) raise_refusal(*refused);
    std::string name = utf8_of(sheet.name, "a sheet name");
    lowered_names_.insert(lowered(code_points_of(sheet.name)));
    commits_->add(
        CommittedSheet{std::move(name), std::move(sheet.widths), std::move(sheet.cells), std::move(sheet.texts)});
}

void NativeWorkbook::close() {
    check_open();
    state_ = State::closing;  // the GIL is let go below: no other call may touch the workbook now
    std::optional<SheetRefusal> refused;
    {
        py::gil_scoped_release unlocked;
        refused = commits_->finish();
    }
    if (refused) {
        state_ = State::closed;  // the workbook is dropped unwritten by the destructor
        raise_refusal(*refused);
    }
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

py::object new_native_workbook(py::handle path, bool yielding) {
    return py::cast(std::make_unique<NativeWorkbook>(path, yielding));
}

void add_native_workbook_class(py::module_& module) {
    py::class_<NativeWorkbook>(module, "_NativeWorkbook",
                               "Internal: the workbook load writes natively; genExcel fills it, close() writes it.")
        .def(py::init<py::handle>(), py::arg("path"))
        .def("close", &NativeWorkbook::close);
}

}  // namespace velvane::tessaly
