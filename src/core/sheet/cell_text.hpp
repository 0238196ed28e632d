// What a worksheet cell may hold of a text, and how a cell is named in messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velvane {

// The most text a cell holds, in UTF-16 units as the spreadsheet counts them.
inline constexpr std::size_t cell_text_limit = 32767;

// `utf8` with characters no XML file can hold even escaped (NUL, lone surrogates, which only
// undecodable file names bring in, and U+FFFE/U+FFFF) replaced by U+FFFD.
std::string storable_text(std::string_view utf8);

// Whether storable_text would change `utf8`.
bool needs_mending(std::string_view utf8);

// Length of a UTF-8 text in UTF-16 units: a character past U+FFFF counts twice.
std::size_t utf16_length(std::string_view utf8);

// The longest prefix of a UTF-8 text that fits into `units` UTF-16 units; never splits a character.
std::string_view utf16_prefix(std::string_view utf8, std::size_t units);

// "Brake!H2": the sheet (quoted where a formula would need it) and the cell at row and column
// counted from 0.
std::string cell_reference(const std::string& sheet, std::int64_t row, std::int64_t column);

}  // namespace velvane
