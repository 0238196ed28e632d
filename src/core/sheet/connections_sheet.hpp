// The Connections sheet: the header row in the signal sheets' header style, then one row per
// connection as list_connections gives them.
#pragma once

#include "core/rules/connection_list.hpp"
#include "core/sheet/sheet_output.hpp"

namespace velvane {

inline constexpr const char* connections_sheet_name = "Connections";

// Adds the sheet after those already in `workbook` (its name mended like any sheet name when a file's
// sheet took it) and fills it with `list`.
void write_connections_sheet(WorkbookOutput& workbook, const ConnectionList& list);

}  // namespace velvane
