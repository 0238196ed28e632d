#include "core/sheet/sheet_output.hpp"

#include "core/sheet/cell_text.hpp"

#include <algorithm>

namespace velvane {

namespace {

// Shared texts shorter than this are written as any text: measuring them again costs little.
constexpr std::size_t shared_text_from = 1024;
// Long shared texts remembered per sheet; the cells of one row take a few of them.
constexpr std::size_t shared_texts_kept = 8;

}  // namespace

SheetOutput::SheetOutput(std::string name, std::int64_t row_count, Warn warn)
    : name_(std::move(name)), row_count_(row_count), warn_(std::move(warn)) {}

void SheetOutput::write(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) {
    if (row >= row_count_) return;
    if (text.size() >= shared_text_from) {
        // A long text that cells of this sheet repeat (a type name of many ports) is kept once.
        write(row, column, remembered(text), style);
        return;
    }
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
    warn_cut(row, column, length);
}

void SheetOutput::warn_cut(std::int64_t row, std::int64_t column, std::size_t length) const {
    if (warn_) {
        warn_(cell_reference(name_, row, column) + ": text of " + std::to_string(length) +
              " characters cut to its first " + std::to_string(cell_text_limit) + ", the most a cell holds");
    }
}

std::shared_ptr<const std::string> SheetOutput::remembered(std::string_view text) const {
    for (const SharedText& known : shared_) {
        if (*known.source == text) return known.source;
    }
    return std::make_shared<const std::string>(text);
}

const SheetOutput::SharedText& SheetOutput::measured(const std::shared_ptr<const std::string>& text) {
    for (const SharedText& known : shared_) {
        if (known.source == text) return known;
    }
    if (shared_.size() == shared_texts_kept) shared_.erase(shared_.begin());
    std::string_view view(*text);
    std::string mended;
    if (needs_mending(view)) {
        mended = storable_text(view);
        view = mended;
    }
    std::size_t length = utf16_length(view);
    std::string stored(length <= cell_text_limit ? view : utf16_prefix(view, cell_text_limit));
    shared_.push_back({text, std::move(stored), length, shared_count_++});
    return shared_.back();
}

void SheetOutput::write(std::int64_t row, std::int64_t column, const std::shared_ptr<const std::string>& text,
                        CellStyle style) {
    if (row >= row_count_) return;
    if (!text || text->size() < shared_text_from) {
        write(row, column, text ? std::string_view(*text) : std::string_view(), style);
        return;
    }
    const SharedText& shared = measured(text);
    put_shared_text(row, column, shared.id, shared.stored, style);
    if (watcher_) watcher_->stored(row, column, shared.stored);
    if (shared.length > cell_text_limit) warn_cut(row, column, shared.length);
}

void SheetOutput::write(std::int64_t row, std::int64_t column, const std::shared_ptr<const CellValue>& value,
                        CellStyle style) {
    if (!value) {
        write(row, column, CellValue(), style);
    } else if (value->kind == CellValue::Kind::text) {
        write(row, column, std::shared_ptr<const std::string>(value, &value->text), style);
    } else {
        write(row, column, *value, style);
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
