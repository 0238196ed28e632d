#include "core/sheet/sheet_name.hpp"

#include <algorithm>
#include <stdexcept>

namespace velvane {

namespace {

constexpr unsigned suffix_attempts = 1000000;

// Characters the workbook refuses in a sheet name, and characters an XML file cannot hold at all
// (control characters, lone surrogates from undecodable file names, U+FFFE and U+FFFF): the library
// takes the latter but writes a workbook nothing can read back.
bool is_forbidden(char32_t c) {
    return c == U'[' || c == U']' || c == U':' || c == U'*' || c == U'?' || c == U'/' || c == U'\\' ||
           c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF;
}

size_t utf16_units(char32_t c) { return c > 0xFFFF ? 2 : 1; }

size_t utf16_length(const std::u32string& text) {
    size_t units = 0;
    for (char32_t c : text) units += utf16_units(c);
    return units;
}

// The longest prefix of `text` that fits into `limit` UTF-16 units; never splits a character.
std::u32string cut_to(const std::u32string& text, size_t limit) {
    size_t units = 0, kept = 0;
    while (kept < text.size() && units + utf16_units(text[kept]) <= limit) {
        units += utf16_units(text[kept]);
        ++kept;
    }
    return text.substr(0, kept);
}

bool well_formed(const std::u32string& name) {
    return !name.empty() && utf16_length(name) <= sheet_name_limit &&
           std::none_of(name.begin(), name.end(), is_forbidden) && name.front() != U'\'' &&
           name.back() != U'\'';
}

std::u32string mend_form(const std::u32string& name) {
    std::u32string mended = name;
    std::replace_if(mended.begin(), mended.end(), is_forbidden, U'_');
    mended = cut_to(mended, sheet_name_limit);
    if (!mended.empty() && mended.front() == U'\'') mended.front() = U'_';
    if (!mended.empty() && mended.back() == U'\'') mended.back() = U'_';
    if (mended.empty()) mended = U"Sheet";
    return mended;
}

std::u32string with_suffix(const std::u32string& base, unsigned number) {
    std::string digits = std::to_string(number);
    std::u32string suffix = U"~" + std::u32string(digits.begin(), digits.end());
    return cut_to(base, sheet_name_limit - suffix.size()) + suffix;
}

}  // namespace

std::u32string acceptable_sheet_name(const std::u32string& name, const SheetNameTaken& taken) {
    if (well_formed(name) && !taken(name)) return name;
    std::u32string mended = mend_form(name);
    if (!taken(mended)) return mended;
    // A workbook holding n sheets leaves one of the first n + 1 suffixes free.
    for (unsigned number = 2; number < suffix_attempts; ++number) {
        std::u32string candidate = with_suffix(mended, number);
        if (!taken(candidate)) return candidate;
    }
    throw std::runtime_error("no free worksheet name left for this model");
}

}  // namespace velvane
