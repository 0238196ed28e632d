#include "core/xlsx/native_workbook.hpp"

#include "core/sheet/cell_text.hpp"
#include "core/sheet/sheet_name.hpp"
#include "core/sheet/unicode_text.hpp"
#include "core/xlsx/buffered_sheet.hpp"
#include "core/xlsx/library_messages.hpp"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

namespace velvane {

namespace {

lxw_format* add_format(lxw_workbook* book, CellStyle style) {
    lxw_format* format = workbook_add_format(book);
    if (format == nullptr) throw std::bad_alloc();
    format_set_align(format, LXW_ALIGN_CENTER);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(format);
    format_set_border(format, LXW_BORDER_THIN);
    if (style == CellStyle::header) format_set_bold(format);
    long fill = cell_style_fill(style);
    if (fill >= 0) format_set_fg_color(format, static_cast<lxw_color_t>(fill));
    return format;
}

std::string refusal_text(const SheetRefusal& refusal) {
    if (refusal.row < 0) return "the workbook refused the sheet name " + refusal.sheet;
    return cell_reference(refusal.sheet, refusal.row, refusal.column) + ": " + refusal.cause;
}

}  // namespace

std::u32string fold_ascii_case(const std::u32string& name) {
    std::u32string folded = name;
    for (char32_t& c : folded) {
        if (c >= U'A' && c <= U'Z') c = c - U'A' + U'a';
    }
    return folded;
}

SheetRefused::SheetRefused(const SheetRefusal& refused) : std::runtime_error(refusal_text(refused)), refusal(refused) {}

NativeWorkbook::NativeWorkbook(const std::string& filename, bool yielding, CaseFold fold) : fold_(std::move(fold)) {
    book_ = workbook_new(filename.c_str());
    if (book_ == nullptr) throw std::bad_alloc();
    for (int style = 0; style < cell_style_count; ++style) {
        formats_[style] = add_format(book_, static_cast<CellStyle>(style));
    }
    commits_ = std::make_unique<SheetCommits>(book_, formats_, yielding);
}

NativeWorkbook::~NativeWorkbook() {
    commits_.reset();  // waits for the sheets under way
    if (book_ != nullptr) lxw_workbook_free(book_);
}

void NativeWorkbook::check_open() const {
    if (state_ != State::open) throw WorkbookClosed();
}

std::string NativeWorkbook::mended_name(const std::string& name) const {
    check_open();
    auto taken = [this](const std::u32string& candidate) { return folded_names_.count(fold_(candidate)) != 0; };
    return to_utf8(acceptable_sheet_name(code_points_of(name), taken));
}

void NativeWorkbook::commit(CommittedSheet&& sheet) {
    check_open();
    if (std::optional<SheetRefusal> refused = commits_->refusal()) throw SheetRefused(*refused);
    folded_names_.insert(fold_(code_points_of(sheet.name)));
    commits_->add(std::move(sheet));
}

void NativeWorkbook::close() {
    check_open();
    state_ = State::closing;
    std::optional<SheetRefusal> refused = commits_->finish();
    if (refused) {
        state_ = State::closed;  // the workbook is dropped unwritten by the destructor
        throw SheetRefused(*refused);
    }
    LibraryMessages said;
    errno = 0;
    lxw_error error = workbook_close(book_);  // frees the workbook, written or not
    int cause = errno;
    book_ = nullptr;
    state_ = State::closed;
    if (error == LXW_NO_ERROR) return;
    // A failure of the file system shows as a zip or file error of the library, with errno set by the
    // call that failed (the library names it in its lines too).
    if (cause != 0 && cause != EINVAL) throw WorkbookWriteFailed(std::strerror(cause), cause);
    std::string system = said.system_cause();
    if (!system.empty()) throw WorkbookWriteFailed(system, 0);
    throw WorkbookWriteFailed(lxw_strerror(error), 0);
}

std::unique_ptr<SheetOutput> NativeWorkbookOutput::add_sheet(const std::string& name) {
    return std::make_unique<BufferedSheet>(book_, book_.mended_name(name), rows_per_sheet(), warn());
}

}  // namespace velvane
