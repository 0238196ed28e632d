#include "core/arxml/utf8_check.hpp"

#include <cstdint>
#include <cstring>

namespace velvane {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x0101010101010101ULL;

inline std::uint64_t load_word(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// True when a word holds a zero byte or a byte with its high bit set.
inline bool word_needs_look(std::uint64_t w) {
    return ((w - kLowBits) & ~w & kHighBits) != 0 || (w & kHighBits) != 0;
}

// The same for 32 bytes, with one branch.
inline bool block_needs_look(const unsigned char* p) {
    std::uint64_t a = load_word(p), b = load_word(p + 8), c = load_word(p + 16), d = load_word(p + 24);
    std::uint64_t zero = ((a - kLowBits) & ~a) | ((b - kLowBits) & ~b) | ((c - kLowBits) & ~c) | ((d - kLowBits) & ~d);
    return ((zero | a | b | c | d) & kHighBits) != 0;
}

const char* const kNul = "NUL character (not allowed in XML)";
const char* const kBadUtf8 = "invalid UTF-8 byte sequence";
const char* const kNulRef = "character reference to NUL (not allowed in XML)";

// Length of the UTF-8 sequence starting at p, or 0 when it is malformed.
std::size_t sequence_length(const unsigned char* p, const unsigned char* end) {
    unsigned char c = p[0];
    std::size_t left = static_cast<std::size_t>(end - p);
    auto cont = [&](std::size_t i) { return i < left && (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xE0 && p[1] < 0xA0) return 0;   // overlong
        if (c == 0xED && p[1] >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xF0 && p[1] < 0x90) return 0;   // overlong
        if (c == 0xF4 && p[1] >= 0x90) return 0;  // past U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace

TextFault check_utf8(const unsigned char* data, std::size_t size) noexcept {
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    while (p < end) {
        // Most of a file is ASCII: 32 bytes at a time while no byte needs a look.
        while (end - p >= 32 && !block_needs_look(p)) p += 32;
        if (p == end) break;
        if (end - p >= 8 && !word_needs_look(load_word(p))) {
            p += 8;
            continue;
        }
        unsigned char c = *p;
        if (c == 0) return {static_cast<std::size_t>(p - data), kNul};
        if (c < 0x80) {
            ++p;
            continue;
        }
        std::size_t n = sequence_length(p, end);
        if (n == 0) return {static_cast<std::size_t>(p - data), kBadUtf8};
        p += n;
    }
    return {0, nullptr};
}

TextFault check_no_nul(const unsigned char* data, std::size_t size) noexcept {
    const void* nul = std::memchr(data, 0, size);
    if (nul) return {static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - data), kNul};
    return {0, nullptr};
}

TextFault check_char_refs(const unsigned char* data, std::size_t size) noexcept {
    const unsigned char* end = data + size;
    for (const unsigned char* p = data; p < end;) {
        auto* amp = static_cast<const unsigned char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)));
        if (!amp) break;
        const unsigned char* q = amp + 1;
        if (q < end && *q == '#') {
            ++q;
            bool hex = q < end && (*q == 'x' || *q == 'X');
            if (hex) ++q;
            const unsigned char* digits = q;
            while (q < end && *q == '0') ++q;
            if (q > digits && q < end && *q == ';') return {static_cast<std::size_t>(amp - data), kNulRef};
        }
        p = amp + 1;
    }
    return {0, nullptr};
}

}  // namespace velvane
