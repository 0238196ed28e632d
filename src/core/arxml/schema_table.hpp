// The once/many view of AUTOSAR schema revision 00048: for every element type, the child tags it
// allows, the type of each child and whether the child may repeat. Data in schema_table.cpp.
#pragma once

#include <cstdint>

namespace velvane::schema {

struct ChildRow {
    std::uint16_t tag;   // index into kTags
    std::uint16_t type;  // element type of the child
    std::uint8_t many;   // 1 when the child may occur more than once in this parent
};

enum TextMode : std::uint8_t { kElementsOnly = 0, kCharacters = 1, kMixed = 2 };

extern const char* const kTags[];
extern const std::uint32_t kTagCount;
extern const ChildRow kRows[];
// Rows of type t are kRows[kTypeFirstRow[t] .. kTypeFirstRow[t + 1]), sorted by tag index.
extern const std::uint32_t kTypeFirstRow[];
extern const std::uint8_t kTextMode[];
extern const std::uint32_t kTypeCount;
extern const std::uint32_t kRootType;
extern const std::uint32_t kRootTag;

}  // namespace velvane::schema
