// The Changes sheet: what changed between two deliveries, one row per change as compare_deliveries
// gives them, under a header row in the signal sheets' header style. Added, removed and changed rows
// each have their own fill; the header row stays in view and offers an autofilter.
#pragma once

#include "core/compare/change_list.hpp"
#include "core/sheet/sheet_output.hpp"

#include <vector>

namespace velvane {

inline constexpr const char* changes_sheet_name = "Changes";

// The style of the row of a change of `kind`.
CellStyle change_style(ChangeKind kind);

// Adds the sheet to `workbook` and fills it with `changes`. Rows past the sheet's last one are left
// out with a word to the workbook's warn().
void write_changes_sheet(WorkbookOutput& workbook, const std::vector<Change>& changes);

}  // namespace velvane
