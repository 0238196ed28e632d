#include "core/xlsx/buffered_sheet.hpp"

#include "core/xlsx/native_workbook.hpp"

#include <utility>

namespace velvane {

BufferedSheet::BufferedSheet(NativeWorkbook& book, std::string name, std::int64_t row_count, Warn warn)
    : SheetOutput(name, row_count, std::move(warn)), book_(book) {
    sheet_.name = std::move(name);
}

void BufferedSheet::set_column_width(std::int64_t first, std::int64_t last, double width) {
    sheet_.widths.push_back({first, last, width});
}

void BufferedSheet::set_row_height(std::int64_t row, double height) { sheet_.heights.push_back({row, height}); }

void BufferedSheet::freeze_panes(std::int64_t row, std::int64_t column) { sheet_.frozen = {row, column}; }

void BufferedSheet::set_autofilter(std::int64_t first_row, std::int64_t first_column, std::int64_t last_row,
                                   std::int64_t last_column) {
    sheet_.autofilter = CellRange{first_row, first_column, last_row, last_column};
}

void BufferedSheet::finish() { book_.commit(std::move(sheet_)); }

void BufferedSheet::put_text(std::int64_t row, std::int64_t column, std::string_view text, CellStyle style) {
    add(row, column, style, BufferedCell::Kind::text, 0);
    sheet_.texts.append(text.data(), text.size());
    sheet_.texts.push_back('\0');
}

// Every cell of one shared text points at one copy of it.
void BufferedSheet::put_shared_text(std::int64_t row, std::int64_t column, std::uint64_t id, std::string_view text,
                                    CellStyle style) {
    auto [known, added] = shared_texts_.emplace(id, sheet_.texts.size());
    if (added) {
        put_text(row, column, text, style);
        return;
    }
    sheet_.cells.push_back({row, column, style, BufferedCell::Kind::text, 0, known->second});
}

void BufferedSheet::put_blank(std::int64_t row, std::int64_t column, CellStyle style) {
    add(row, column, style, BufferedCell::Kind::blank, 0);
}

void BufferedSheet::put_number(std::int64_t row, std::int64_t column, double value, CellStyle style) {
    add(row, column, style, BufferedCell::Kind::number, value);
}

void BufferedSheet::put_boolean(std::int64_t row, std::int64_t column, bool value, CellStyle style) {
    add(row, column, style, BufferedCell::Kind::boolean, value ? 1 : 0);
}

void BufferedSheet::add(std::int64_t row, std::int64_t column, CellStyle style, BufferedCell::Kind kind,
                        double number) {
    sheet_.cells.push_back({row, column, style, kind, number, sheet_.texts.size()});
}

}  // namespace velvane
