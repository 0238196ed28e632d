#include "core/xlsx/sheet_commits.hpp"

#include <xlsxwriter.h>

#include "core/platform/thread_priority.hpp"
#include "core/platform/wait_check.hpp"

#include <system_error>
#include <utility>

namespace velvane {

namespace {

lxw_error write_cell(lxw_worksheet* sheet, const BufferedCell& cell, const std::string& texts, lxw_format* format) {
    auto row = static_cast<lxw_row_t>(cell.row);
    auto column = static_cast<lxw_col_t>(cell.column);
    switch (cell.kind) {
        case BufferedCell::Kind::text: return worksheet_write_string(sheet, row, column, texts.c_str() + cell.text, format);
        case BufferedCell::Kind::blank: return worksheet_write_blank(sheet, row, column, format);
        case BufferedCell::Kind::number: return worksheet_write_number(sheet, row, column, cell.number, format);
        case BufferedCell::Kind::boolean:
            return worksheet_write_boolean(sheet, row, column, cell.number != 0 ? 1 : 0, format);
    }
    return LXW_NO_ERROR;
}

}  // namespace

SheetCommits::SheetCommits(lxw_workbook* book, lxw_format* const* formats, bool yielding)
    : book_(book), formats_(formats), yielding_(yielding) {}

// A workbook dropped unclosed: the sheets still queued would never be written anyway.
SheetCommits::~SheetCommits() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
        queue_.clear();
    }
    queued_.notify_one();
    if (writer_.joinable()) writer_.join();
}

void SheetCommits::add(CommittedSheet sheet) {
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(std::move(sheet));
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            CommittedSheet here = std::move(queue_.back());
            queue_.pop_back();
            lock.unlock();
            write(here);
            return;
        }
    }
    lock.unlock();
    queued_.notify_one();
}

std::optional<SheetRefusal> SheetCommits::refusal() {
    std::lock_guard<std::mutex> lock(mutex_);
    return refusal_;
}

std::optional<SheetRefusal> SheetCommits::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finishing_ = true;
    }
    queued_.notify_one();
    if (writer_.joinable()) writer_.join();
    WaitCheck check = this_thread_wait_check();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!queue_.empty()) {
        CommittedSheet sheet = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (check != nullptr) check();  // between sheets, the caller may stop
        write(sheet);
        lock.lock();
    }
    return refusal_;
}

void SheetCommits::run() {
    if (yielding_) lower_this_thread_priority(ThreadPriority::lowest);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [&] { return finishing_ || !queue_.empty(); });
        if (finishing_) return;  // finish() writes what is left
        CommittedSheet sheet = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        write(sheet);
        lock.lock();
    }
}

// After a refusal nothing more is written: the workbook is not going to be closed.
void SheetCommits::write(const CommittedSheet& sheet) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (refusal_) return;
    }
    std::optional<SheetRefusal> refused;
    lxw_worksheet* worksheet = workbook_add_worksheet(book_, sheet.name.c_str());
    if (worksheet == nullptr) {
        refused = SheetRefusal{sheet.name, -1, -1, "the workbook refused the sheet name"};
    } else {
        for (const ColumnWidth& width : sheet.widths) {
            worksheet_set_column(worksheet, static_cast<lxw_col_t>(width.first), static_cast<lxw_col_t>(width.last),
                                 width.width, nullptr);
        }
        for (const RowHeight& height : sheet.heights) {
            worksheet_set_row(worksheet, static_cast<lxw_row_t>(height.row), height.height, nullptr);
        }
        if (sheet.frozen) {
            worksheet_freeze_panes(worksheet, static_cast<lxw_row_t>(sheet.frozen->first),
                                   static_cast<lxw_col_t>(sheet.frozen->second));
        }
        if (sheet.autofilter) {
            const CellRange& range = *sheet.autofilter;
            worksheet_autofilter(worksheet, static_cast<lxw_row_t>(range.first_row),
                                 static_cast<lxw_col_t>(range.first_column), static_cast<lxw_row_t>(range.last_row),
                                 static_cast<lxw_col_t>(range.last_column));
        }
        for (const BufferedCell& cell : sheet.cells) {
            lxw_error error = write_cell(worksheet, cell, sheet.texts, formats_[static_cast<int>(cell.style)]);
            if (error != LXW_NO_ERROR) {
                refused = SheetRefusal{sheet.name, cell.row, cell.column, lxw_strerror(error)};
                break;
            }
        }
    }
    if (!refused) return;
    std::lock_guard<std::mutex> lock(mutex_);
    refusal_ = std::move(refused);
}

}  // namespace velvane
