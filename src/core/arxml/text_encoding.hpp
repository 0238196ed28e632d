// Which encoding a file's text is in: told by its byte order mark or by the encoding its XML declaration
// names. Declared encodings that are not read are refused by name rather than read as something else.
#pragma once

#include <cstddef>
#include <string>

#include <pugixml.hpp>

#include "core/arxml/document.hpp"

namespace velvane {

struct EncodingChoice {
    SourceEncoding kind = SourceEncoding::kUtf8;
    pugi::xml_encoding parse_as = pugi::encoding_auto;
    std::string refusal;     // "unsupported encoding NAME" when the declared encoding is not read
    std::size_t offset = 0;  // byte offset of the declared name, for the refusal
};

// Read are: UTF-8 with or without BOM (also when declared as US-ASCII, a subset of it), UTF-16 and
// UTF-32 told by their BOM or their first '<', Latin-1 and Windows-1252 when declared. A file of single bytes that
// declares UTF-16 or UTF-32 is read as UTF-8, as it always was.
EncodingChoice choose_encoding(const unsigned char* data, std::size_t size);

// Windows-1252 text in UTF-8. Bytes 0x80 to 0x9F are the typographic characters of that code page
// (euro sign, quotes, dashes, ...); the five it leaves undefined stand for the C1 controls of the same
// value, as Windows itself reads them. `out` must hold 3 * size bytes; returns the bytes written.
std::size_t windows1252_to_utf8(const unsigned char* data, std::size_t size, unsigned char* out) noexcept;

}  // namespace velvane
