// How a data type name from an interface becomes the type shown on the sheet.
#pragma once

#include <string>

namespace velvane {

struct ShownType {
    std::string name;          // the type name as written, an array reduced to its element type
    std::string array_suffix;  // "[<dimension>]" for an array type, else empty
};

// A type whose name contains "rt_array" in any letter case is an array type: "rt_Array_" (exact
// case) is removed everywhere and the rest is cut at its last "_"; the suffix holds the original
// name's piece after its last "_". rt_Array_UInt16_4 gives UInt16 and [4].
ShownType shown_type(const std::string& type_name);

}  // namespace velvane
