// Lenient reads of a parsed ARXML tree for the project index: a child the file lacks reads as an empty
// node, whose text is empty. Tag names are written as in the XML ("SHORT-NAME").
#pragma once

#include <pugixml.hpp>

#include <string>

namespace velvane {

// The first child element with tag `tag`, or an empty node.
pugi::xml_node child_of(pugi::xml_node element, const char* tag);

// Calls `each(child)` for every child element with tag `tag`, in document order.
template <class Each>
void for_each_child(pugi::xml_node element, const char* tag, Each&& each) {
    for (pugi::xml_node child = child_of(element, tag); child; child = child.next_sibling(tag)) each(child);
}

// An element's text as written, its text and CDATA pieces joined ("" for an empty node).
std::string raw_text(pugi::xml_node element);

// The same with surrounding white space removed.
std::string stripped_text(pugi::xml_node element);

// stripped_text(child_of(element, tag))
std::string child_text(pugi::xml_node element, const char* tag);

// The first SW-DATA-DEF-PROPS / -VARIANTS / -CONDITIONAL of `element`, or an empty node.
pugi::xml_node first_conditional_props(pugi::xml_node element);

}  // namespace velvane
