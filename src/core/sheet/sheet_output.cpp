#include "core/sheet/sheet_output.hpp"

#include "core/sheet/cell_text.hpp"

#include <algorithm>

namespace velvane {

SheetOutput::SheetOutput(std::string name, std::int64_t row_count, Warn warn)
    : name_(std::move(name)), row_count_(row_count), warn_(std::move(warn)) {}

void SheetOutput::write(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) {
    if (row >= row_count_) return;
    if (text.empty()) {
        put_blank(row, column, style);
        if (watcher_) watcher_->stored(row, column, text);
        return;
    }
    std::string mended;
    if (needs_mending(text)) {
        mended = storable_text(text);
        text = mended;
    }
    std::size_t length = utf16_length(text);
    if (length <= cell_text_limit) {
        put_text(row, column, text, style);
        if (watcher_) watcher_->stored(row, column, text);
        return;
    }
    std::string_view kept = utf16_prefix(text, cell_text_limit);
    put_text(row, column, kept, style);
    if (watcher_) watcher_->stored(row, column, kept);
    if (warn_) {
        warn_(cell_reference(name_, row, column) + ": text of " + std::to_string(length) +
              " characters cut to its first " + std::to_string(cell_text_limit) + ", the most a cell holds");
    }
}

void SheetOutput::write(std::int64_t row, std::int64_t column, const CellValue& value, CellStyle style) {
    if (row >= row_count_) return;
    switch (value.kind) {
        case CellValue::Kind::blank: put_blank(row, column, style); break;
        case CellValue::Kind::text: write(row, column, std::string_view(value.text), style); return;
        case CellValue::Kind::number: put_number(row, column, value.number, style); break;
        case CellValue::Kind::boolean: put_boolean(row, column, value.number != 0, style); break;
    }
    if (watcher_) watcher_->stored(row, column, std::string_view());
}

void WorkbookOutput::set_rows_per_sheet(std::int64_t rows) {
    rows_per_sheet_ = std::min(std::max<std::int64_t>(rows, 2), sheet_row_limit);
}

}  // namespace velvane
