// Where something in the project index was read: which file of the run, and where in that file's text.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>

namespace velvane {

// A file to index: its key (the directory entry, or a path relative to the directory, as the sheets
// name it; UTF-8 with the lone surrogates of undecodable names kept) and the path to open.
struct IndexSource {
    std::string key;
    std::string fs_path;    // in the file system's encoding
    bool has_sheet = true;  // false for a type source, which is only indexed
};

struct Origin {
    std::uint32_t file = 0;    // the file's number among the run's sources
    std::uint64_t offset = 0;  // byte offset of the element's tag name in the text as parsed (UTF-8)
};

// The origin of `element` in the run's file number `file`.
inline Origin origin_at(std::uint32_t file, pugi::xml_node element) {
    std::ptrdiff_t offset = element.offset_debug();
    return {file, offset < 0 ? 0 : static_cast<std::uint64_t>(offset)};
}

}  // namespace velvane
