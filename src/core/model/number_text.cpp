#include "core/model/number_text.hpp"

#include <cctype>
#include <charconv>
#include <cmath>

namespace velvane {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<double> number_of(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && is_space(*begin)) ++begin;
    while (end > begin && is_space(end[-1])) --end;
    bool positive_sign = begin < end && *begin == '+';
    if (positive_sign) ++begin;
    // from_chars would take "inf" and "nan": limits and coefficients name neither.
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.' ||
                          (*begin == '-' && !positive_sign))) {
        return std::nullopt;
    }
    double value = 0;
    auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string general_text(double value) {
    if (value == 0) value = 0;  // no "-0"
    char buffer[32];
    auto [stop, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    if (error != std::errc()) return std::string();
    return std::string(buffer, stop);
}

}  // namespace velvane
