#include "core/sheet/changes_sheet.hpp"

#include <memory>
#include <string>
#include <string_view>

namespace velvane {

namespace {

const char* const header_texts[] = {"Component", "Port", "Direction", "Change", "Old", "New"};
constexpr std::int64_t column_count = 6;

// Characters of each column: names, the two ends of a connector, a word, the kind of change, values.
constexpr double column_widths[column_count] = {25, 40, 10, 20, 40, 40};

}  // namespace

CellStyle change_style(ChangeKind kind) {
    switch (change_effect(kind)) {
        case ChangeEffect::added: return CellStyle::added;
        case ChangeEffect::removed: return CellStyle::removed;
        case ChangeEffect::changed: break;
    }
    return CellStyle::changed;
}

void write_changes_sheet(WorkbookOutput& workbook, const std::vector<Change>& changes) {
    std::unique_ptr<SheetOutput> sheet = workbook.add_sheet(changes_sheet_name);
    for (std::int64_t column = 0; column < column_count; ++column) {
        sheet->set_column_width(column, column, column_widths[column]);
    }
    for (std::int64_t column = 0; column < column_count; ++column) {
        sheet->write(0, column, header_texts[column], CellStyle::header);
    }
    std::int64_t row = 1;
    for (const Change& change : changes) {
        if (row >= sheet->row_count()) break;
        CellStyle style = change_style(change.kind);
        const std::string_view values[] = {change.component, change.port, direction_text(change.direction),
                                      change_text(change.kind), change.old_value, change.new_value};
        for (std::int64_t column = 0; column < column_count; ++column) sheet->write(row, column, values[column], style);
        ++row;
    }
    sheet->freeze_panes(1, 0);
    sheet->set_autofilter(0, 0, row - 1, column_count - 1);
    auto left_out = static_cast<std::int64_t>(changes.size()) - (row - 1);
    if (left_out > 0 && workbook.warn()) {
        workbook.warn()(sheet->name() + ": " + std::to_string(left_out) + " change rows left out: a sheet holds " +
                        std::to_string(sheet->row_count()) + " rows, the header row included");
    }
    sheet->finish();
}

}  // namespace velvane
