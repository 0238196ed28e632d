#include "core/arxml/text_encoding.hpp"

#include "core/arxml/xml_space.hpp"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace velvane {

namespace {

struct Declared {
    std::string name;        // as written in the file ("" when none)
    std::size_t offset = 0;  // byte offset of its first character
};

bool starts_with(const unsigned char* data, std::size_t size, const char* prefix, std::size_t n) {
    return size >= n && std::memcmp(data, prefix, n) == 0;
}

// The encoding named by an XML declaration at the very start of the text.
Declared declared_encoding(const unsigned char* data, std::size_t size) {
    Declared found;
    std::string head(reinterpret_cast<const char*>(data), size < 256 ? size : 256);
    if (head.compare(0, 5, "<?xml") != 0) return found;
    std::size_t end = head.find("?>");
    if (end == std::string::npos) end = head.size();
    std::size_t at = head.find("encoding", 5);
    if (at == std::string::npos || at > end) return found;
    at += 8;
    while (at < end && is_xml_space(head[at])) ++at;
    if (at >= end || head[at] != '=') return found;
    ++at;
    while (at < end && is_xml_space(head[at])) ++at;
    if (at >= end || (head[at] != '"' && head[at] != '\'')) return found;
    std::size_t close = head.find(head[at], at + 1);
    if (close == std::string::npos || close > end) return found;
    found.name = head.substr(at + 1, close - at - 1);
    found.offset = at + 1;
    return found;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

bool is_one_of(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

bool starts_with_any(const std::string& name, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes)
        if (name.compare(0, std::strlen(p), p) == 0) return true;
    return false;
}

// The declared name as it may be shown in a message: printable ASCII only, and not too long.
std::string shown_name(const std::string& name) {
    std::string shown;
    for (char c : name) {
        if (shown.size() == 64) return shown + "...";
        shown += c >= 0x20 && c < 0x7F ? c : '?';
    }
    return shown;
}

}  // namespace

EncodingChoice choose_encoding(const unsigned char* data, std::size_t size) {
    EncodingChoice choice;
    if (starts_with(data, size, "\xFF\xFE", 2) || starts_with(data, size, "\xFE\xFF", 2) ||
        starts_with(data, size, "\x00\x00\xFE\xFF", 4) || starts_with(data, size, "<\0", 2) ||
        starts_with(data, size, "\0<", 2)) {
        choice.kind = SourceEncoding::kUtf16or32;
        return choice;
    }
    Declared declared = declared_encoding(data, size);
    std::string name = lower(declared.name);
    if (is_one_of(name, {"iso-8859-1", "latin1", "latin-1", "iso8859-1"})) {
        choice.kind = SourceEncoding::kLatin1;
        choice.parse_as = pugi::encoding_latin1;
        return choice;
    }
    if (is_one_of(name, {"windows-1252", "cp1252"})) {
        choice.kind = SourceEncoding::kWindows1252;
        choice.parse_as = pugi::encoding_utf8;  // after windows1252_to_utf8
        return choice;
    }
    // UTF-8, with or without BOM; US-ASCII is a subset of it. Text of single bytes that declares a
    // UTF-16 or UTF-32 encoding has been read as UTF-8 all along, and still is.
    bool read = name.empty() || is_one_of(name, {"utf-8", "utf8", "us-ascii", "ascii"}) ||
                starts_with_any(name, {"utf-16", "utf-32", "utf16", "utf32", "ucs-2", "ucs-4", "iso-10646-ucs"});
    if (!read) {
        choice.refusal = "unsupported encoding " + shown_name(declared.name);
        choice.offset = declared.offset;
    }
    return choice;
}

std::size_t windows1252_to_utf8(const unsigned char* data, std::size_t size, unsigned char* out) noexcept {
    // Code points of bytes 0x80 to 0x9F; 0 where the code page defines none (the C1 control is kept).
    static const std::uint16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    unsigned char* at = out;
    for (std::size_t i = 0; i < size; ++i) {
        unsigned c = data[i];
        if (c >= 0x80 && c <= 0x9F && high[c - 0x80] != 0) c = high[c - 0x80];
        if (c < 0x80) {
            *at++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *at++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *at++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            *at++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *at++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *at++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return static_cast<std::size_t>(at - out);
}

}  // namespace velvane
