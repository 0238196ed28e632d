#include "core/sheet/sheet_view.hpp"

#include <algorithm>
#include <cmath>

namespace velvane {

namespace {

bool is_wide(char32_t point) {
    return (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0x303E) ||
           (point >= 0x3041 && point <= 0x33FF) || (point >= 0x3400 && point <= 0x4DBF) ||
           (point >= 0x4E00 && point <= 0x9FFF) || (point >= 0xA000 && point <= 0xA4CF) ||
           (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
           (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
           (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x20000 && point <= 0x3FFFD);
}

// How many characters of the column a character takes, from its UTF-8 sequence starting at `at`;
// `at` moves past it.
int columns_of(std::string_view text, std::size_t& at) {
    auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    std::size_t end = std::min(text.size(), at + length);
    for (++at; at < end; ++at) point = (point << 6) | (static_cast<unsigned char>(text[at]) & 0x3F);
    if (is_wide(point)) return 2;
    return point > 0xFFFF ? 2 : 1;  // two UTF-16 units
}

}  // namespace

std::int64_t wrapped_lines(std::string_view text, double width) {
    // A line holds about as many characters as the column is wide, less the cell's margins.
    auto per_line = static_cast<std::int64_t>(std::max(1.0, std::floor(width - 1)));
    // No character takes more columns than it has bytes: most texts are known to fit at a glance.
    if (static_cast<std::int64_t>(text.size()) <= per_line && text.find('\n') == std::string_view::npos) return 1;
    std::int64_t lines = 0;
    std::int64_t piece = 0;  // characters of the piece since the last line feed
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '\n') {
            lines += std::max<std::int64_t>(1, (piece + per_line - 1) / per_line);
            piece = 0;
            ++at;
            continue;
        }
        piece += columns_of(text, at);
    }
    return lines + std::max<std::int64_t>(1, (piece + per_line - 1) / per_line);
}

SheetView::SheetView(SheetOutput& sheet, bool working) : sheet_(sheet), working_(working) {
    if (working_) sheet_.watch(this);
}

SheetView::~SheetView() {
    if (working_) sheet_.watch(nullptr);
}

void SheetView::set_column_width(std::int64_t first, std::int64_t last, double width) {
    sheet_.set_column_width(first, last, width);
    if (!working_ || first < 0 || last < first) return;
    if (widths_.size() <= static_cast<std::size_t>(last)) widths_.resize(static_cast<std::size_t>(last) + 1, 0);
    std::fill(widths_.begin() + first, widths_.begin() + last + 1, width);
}

double SheetView::width_of(std::int64_t column) const {
    auto at = static_cast<std::size_t>(column);
    return at < widths_.size() && widths_[at] > 0 ? widths_[at] : default_column_width;
}

void SheetView::stored(std::int64_t row, std::int64_t column, std::string_view text) {
    last_row_ = std::max(last_row_, row);
    last_column_ = std::max(last_column_, column);
    if (text.empty()) return;
    std::int64_t lines = wrapped_lines(text, width_of(column));
    if (lines <= 1) return;
    if (lines_.size() <= static_cast<std::size_t>(row)) lines_.resize(static_cast<std::size_t>(row) + 1, 1);
    lines_[static_cast<std::size_t>(row)] = std::max(lines_[static_cast<std::size_t>(row)], lines);
}

void SheetView::apply() const {
    if (!working_) return;
    sheet_.freeze_panes(1, 0);
    sheet_.set_autofilter(0, 0, last_row_, last_column_);
    for (std::size_t row = 0; row < lines_.size(); ++row) {
        if (lines_[row] > 1) {
            double height = std::min(row_height_limit, line_height * static_cast<double>(lines_[row]));
            sheet_.set_row_height(static_cast<std::int64_t>(row), height);
        }
    }
}

}  // namespace velvane
