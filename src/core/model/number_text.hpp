// Numbers read from and written into signal detail texts, the same in every locale.
#pragma once

#include <optional>
#include <string>

namespace velvane {

// The number a decimal text states (an optional sign, digits, a fraction, an exponent; surrounding
// white space allowed), or nothing when the text is anything else.
std::optional<double> number_of(const std::string& text);

// `value` as C's "%.10g" writes it; a zero is written "0" whatever its sign.
std::string general_text(double value);

}  // namespace velvane
