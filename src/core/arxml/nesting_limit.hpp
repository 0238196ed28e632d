// How deep the elements of a file may nest. Real ARXML files nest a few dozen elements deep; a file
// nested far deeper is refused as soon as it is parsed, so that no reader after the parse (the
// project index, the element objects, the analysis) has to follow such a structure.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>

namespace velvane {

// The most elements a file may nest, the AUTOSAR root counted as the first.
constexpr std::size_t kMaxElementDepth = 1000;

// The first element, in document order, nested deeper than kMaxElementDepth; an empty node when
// there is none. One pass over the tree, without recursion.
pugi::xml_node too_deep_element(const pugi::xml_document& document);

// The cause a refusal for too deep a nesting gives.
std::string too_deep_cause();

}  // namespace velvane
