// How a data type name from an interface becomes the type shown on the sheet.
#pragma once

#include <string>

namespace velvane::tessaly {

struct ShownType {
    std::string name;          // the type name as written, an array reduced to its element type
    std::string array_suffix;  // "[<dimension>]" for an array type, else empty
};

// A type whose name contains "rt_array" in any letter case is an array type: "rt_Array_" (exact
// case) is removed everywhere and the rest is cut at its last "_"; the suffix holds the original
// name's piece after its last "_". rt_Array_UInt16_4 gives UInt16 and [4].
ShownType shown_type(const std::string& type_name);

// The last "/"-separated piece of a reference path (all of it when it has no "/").
std::string last_path_segment(const std::string& reference);

// Piece 1 of `text` split at "_": between the first and second "_", or after the first "_" when
// there is no second one. False when `text` has no "_".
bool second_underscore_piece(const std::string& text, std::string& piece);

}  // namespace velvane::tessaly
