// ARXML text parsed in memory, as a run parses a file's bytes.
#pragma once

#include "core/arxml/buffer_pool.hpp"
#include "core/arxml/document.hpp"

#include <cstring>
#include <string>

namespace velvane::test {

// A parsed document frees its text through the pool: pugixml must allocate through it too, as the
// Python modules set up when they load. Done once, before the tests run, by every test that includes this.
inline const bool pool_serves_pugixml = (pool::install_for_pugixml(), true);

inline LoadOutcome parse(const std::string& text) {
    auto* block = static_cast<unsigned char*>(pool::allocate(text.size() + 1));
    std::memcpy(block, text.data(), text.size());
    block[text.size()] = 0;
    return parse_text(block, text.size());
}

}  // namespace velvane::test
