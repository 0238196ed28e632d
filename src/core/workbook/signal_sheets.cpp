#include "core/workbook/signal_sheets.hpp"

#include "core/sheet/signal_sheet.hpp"

namespace velvane {

namespace {

// "Connections", "Connections~2", ...: the name with an optional sheet-name suffix.
bool named_like(const std::string& name, const std::string& base) {
    if (name.compare(0, base.size(), base) != 0) return false;
    if (name.size() == base.size()) return true;
    if (name[base.size()] != '~' || name.size() == base.size() + 1) return false;
    for (std::size_t i = base.size() + 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

}  // namespace

const std::string& cell_at(const WorkbookRow& row, std::size_t column) {
    static const std::string empty;
    return column < row.cells.size() ? row.cells[column] : empty;
}

SheetKind sheet_kind(const WorkbookSheet& sheet) {
    static_assert(signal_sheet_columns == signal_column_count, "the reader's columns are the sheet's");
    if (!sheet.rows.empty() && sheet.rows.front().number == 1) {
        bool matches = true;
        for (std::size_t column = 0; column < signal_column_count && matches; ++column) {
            matches = cell_at(sheet.rows.front(), column) == signal_header_texts[column];
        }
        if (matches) return SheetKind::signal;
    }
    if (named_like(sheet.name, "Connections") || named_like(sheet.name, "Changes")) return SheetKind::companion;
    return SheetKind::other;
}

}  // namespace velvane
