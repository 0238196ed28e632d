// Byte-level checks of a file's text before it is parsed: XML text must be valid UTF-8 (when that is its
// encoding) and may never hold a NUL character, which would otherwise cut texts short silently.
#pragma once

#include <cstddef>

namespace velvane {

struct TextFault {
    std::size_t offset;  // byte offset of the first bad byte
    const char* cause;   // nullptr when the text is sound
};

// Checks UTF-8 well-formedness (no overlong forms, surrogates or code points past U+10FFFF) and
// the absence of NUL bytes.
TextFault check_utf8(const unsigned char* data, std::size_t size) noexcept;

// Checks only for NUL bytes in a byte stream (for single-byte encodings).
TextFault check_no_nul(const unsigned char* data, std::size_t size) noexcept;

// Checks that no character reference (&#0; &#x00;) spells the NUL character, which would otherwise
// cut the text it stands in short. For ASCII-compatible encodings.
TextFault check_char_refs(const unsigned char* data, std::size_t size) noexcept;

}  // namespace velvane
