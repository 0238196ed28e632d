// Worksheet names that the workbook accepts, made from model names that it might refuse.
#pragma once

#include <functional>
#include <string>

namespace velvane {

inline constexpr size_t sheet_name_limit = 31;  // in UTF-16 units, as the workbook counts them

// Answers whether a candidate name clashes (ignoring case) with a sheet already in the workbook.
using SheetNameTaken = std::function<bool(const std::u32string&)>;

// Returns `name` unchanged when the workbook would accept it. Otherwise: each of []:*?/\ becomes
// "_", the name is cut to the limit, a leading or trailing apostrophe becomes "_", an empty name
// becomes "Sheet", and a clash gets the first free suffix "~2", "~3", ... with the name cut so that
// the whole stays within the limit.
std::u32string acceptable_sheet_name(const std::u32string& name, const SheetNameTaken& taken);

}  // namespace velvane
