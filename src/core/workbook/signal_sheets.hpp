// Which worksheets of a workbook are signal sheets: those whose header row (row 1, A to O) holds the
// signal sheet's header texts. Plain functions; no state.
#pragma once

#include "core/workbook/workbook_reader.hpp"

#include <string>

namespace velvane {

enum class SheetKind {
    signal,     // the header row of a signal sheet
    companion,  // a sheet Velvane writes beside the signal sheets ("Connections", "Changes", also
                // with a "~2" ... suffix): not a signal sheet, and nothing to say about it
    other,      // anything else
};

SheetKind sheet_kind(const WorkbookSheet& sheet);

// Column letters of the signal sheet, 0 being A: B..H the input half, I..O the output half.
inline constexpr std::size_t signal_sheet_columns = 15;

// The cell text at `column` of `row`, "" when the row has none there.
const std::string& cell_at(const WorkbookRow& row, std::size_t column);

}  // namespace velvane
