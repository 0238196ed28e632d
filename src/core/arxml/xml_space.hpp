// White space as XML has it: space, tab, carriage return, line feed.
#pragma once

#include <string>
#include <string_view>

namespace velvane {

inline bool is_xml_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `text` without the white space at either end.
inline std::string_view trimmed_view(std::string_view text) {
    std::string_view::size_type begin = 0, end = text.size();
    while (begin < end && is_xml_space(text[begin])) ++begin;
    while (end > begin && is_xml_space(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

inline std::string trimmed(std::string_view text) { return std::string(trimmed_view(text)); }

}  // namespace velvane
