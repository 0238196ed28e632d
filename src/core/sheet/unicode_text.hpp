// Texts of the sheets: UTF-8 strings in which a lone surrogate may stand, encoded as UTF-8 would encode
// it (undecodable file names bring them into sheet names), and their code points.
#pragma once

#include <string>
#include <string_view>

namespace velvane {

// The code points of `utf8`. A byte that starts no valid sequence stands for U+FFFD.
std::u32string code_points_of(std::string_view utf8);

// The UTF-8 of `points` (a lone surrogate encoded like any other code point).
std::string to_utf8(const std::u32string& points);

// `text` with every `piece` replaced by `by`.
std::string replaced(std::string_view text, std::string_view piece, std::string_view by);

}  // namespace velvane
