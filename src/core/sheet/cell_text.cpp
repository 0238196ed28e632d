#include "core/sheet/cell_text.hpp"

#include "core/sheet/unicode_text.hpp"

#include <cstring>

namespace velvane {

namespace {

bool xml_cannot_hold(char32_t c) { return c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF; }

bool needs_no_quotes(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c >= 0x80;
}

std::string column_letters(std::int64_t column) {
    std::string letters;
    for (std::int64_t n = column + 1; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

// The lead byte of a sequence of `length` bytes in UTF-8 (1 for anything that starts no sequence).
std::size_t sequence_length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

bool needs_mending(std::string_view utf8) {
    // NUL, and the lead bytes of surrogates (0xED 0xA0..) and of U+FFFE/U+FFFF (0xEF 0xBF 0xBE/F).
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == 0) return true;
        if (byte == 0xED && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0xA0) return true;
        if (byte == 0xEF && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
            static_cast<unsigned char>(utf8[i + 2]) >= 0xBE) {
            return true;
        }
    }
    return false;
}

std::string storable_text(std::string_view utf8) {
    if (!needs_mending(utf8)) return std::string(utf8);
    std::u32string points = code_points_of(utf8);
    for (char32_t& c : points) {
        if (xml_cannot_hold(c)) c = 0xFFFD;
    }
    return to_utf8(points);
}

std::size_t utf16_length(std::string_view utf8) {
    std::size_t units = 0;
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string_view utf16_prefix(std::string_view utf8, std::size_t units) {
    std::size_t used = 0, at = 0;
    while (at < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[at]);
        std::size_t width = lead >= 0xF0 ? 2 : 1;
        if (used + width > units) break;
        used += width;
        at += sequence_length(lead);
    }
    return utf8.substr(0, at < utf8.size() ? at : utf8.size());
}

std::string cell_reference(const std::string& sheet, std::int64_t row, std::int64_t column) {
    bool plain = !sheet.empty() && !(sheet[0] >= '0' && sheet[0] <= '9');
    for (char c : sheet) plain = plain && needs_no_quotes(static_cast<unsigned char>(c));
    std::string shown = sheet;
    if (!plain) {
        shown = "'";
        for (char c : sheet) shown += c == '\'' ? std::string("''") : std::string(1, c);
        shown += "'";
    }
    return shown + "!" + column_letters(column) + std::to_string(row + 1);
}

}  // namespace velvane
