#include "core/sheet/unicode_text.hpp"

namespace velvane {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::u32string code_points_of(std::string_view utf8) {
    std::u32string points;
    points.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead >= 0xF8 || i + length > utf8.size()) {
            points.push_back(replacement);
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = valid && is_continuation(next);
            point = (point << 6) | (next & 0x3F);
        }
        if (!valid) {
            points.push_back(replacement);
            ++i;
            continue;
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

std::string to_utf8(const std::u32string& points) {
    std::string utf8;
    utf8.reserve(points.size());
    for (char32_t c : points) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::string replaced(std::string_view text, std::string_view piece, std::string_view by) {
    if (piece.empty()) return std::string(text);
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, from)) {
        result.append(text.substr(from, at - from));
        result.append(by);
        from = at + piece.size();
    }
    result.append(text.substr(from));
    return result;
}

}  // namespace velvane
